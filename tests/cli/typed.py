# Runs a command on a terminal, types a line and one end of file (Ctrl-D),
# and exits with the command's status, or 124 when it still waits for input
# five seconds later.
import os, pty, sys, time

pid, fd = pty.fork()
if pid == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
time.sleep(0.3)
os.write(fd, b"<p>typed</p>\n")
time.sleep(0.2)
os.write(fd, b"\x04")
for _ in range(50):
    done, status = os.waitpid(pid, os.WNOHANG)
    if done:
        sys.exit(os.waitstatus_to_exitcode(status))
    time.sleep(0.1)
os.kill(pid, 9)
sys.exit(124)
