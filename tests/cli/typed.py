# Runs a command on a terminal COLUMNS wide, types a line and one end of
# file (Ctrl-D) unless told --no-typing, copies what the terminal shows to
# standard output, and exits with the command's status, or 124 when it still
# runs (waits for input) after the time given in seconds (default 5).
# Usage: typed.py [--columns N] [--no-typing] [--seconds S] COMMAND...
import fcntl, os, pty, select, struct, sys, termios, time

args = sys.argv[1:]
columns, typing, seconds = 80, True, 5.0
while args and args[0].startswith("--"):
    option = args.pop(0)
    if option == "--columns": columns = int(args.pop(0))
    elif option == "--seconds": seconds = float(args.pop(0))
    elif option == "--no-typing": typing = False
pid, fd = pty.fork()
if pid == 0:
    os.execvp(args[0], args)
fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
if typing:
    time.sleep(0.3)
    os.write(fd, b"<p>typed</p>\n")
    time.sleep(0.2)
    os.write(fd, b"\x04")
shown, end, status = b"", time.time() + seconds, None
while status is None and time.time() < end:
    if select.select([fd], [], [], 0.05)[0]:
        try:
            shown += os.read(fd, 65536)
        except OSError:
            pass
    done, raw = os.waitpid(pid, os.WNOHANG)
    if done:
        status = os.waitstatus_to_exitcode(raw)
if status is None:
    os.kill(pid, 9)
sys.stdout.buffer.write(shown)
sys.exit(124 if status is None else status)
