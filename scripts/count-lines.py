#!/usr/bin/env python3
"""The size of the test suite against the code it tests.

Counts non-blank lines that are not comments in .cpp .cc .c .h .hpp .inl
.py .pyi files. Tests: everything under tests/ (the data files excluded).
Production: base/, engine/ (without the generated name table), library/,
include/, app/, python/,
controls/, ui/, cli/, main/. fuzz/, bench/ and tools/ count on neither side.
Usage: scripts/count-lines.py [-v]   (-v: every file's count too)
"""
import os
import sys

EXTENSIONS = ('.cpp', '.cc', '.c', '.h', '.hpp', '.inl', '.py', '.pyi')
PRODUCTION = ('base', 'engine', 'library', 'include', 'app', 'controls', 'ui', 'cli', 'main', 'python')
GENERATED = ('engine/HtmlEntityTable.cpp',)


def count(path):
    """Lines that are neither blank nor comments (// and /* */ in C++, # in Python)."""
    python = path.endswith(('.py', '.pyi'))
    lines, in_block = 0, False
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            text = line.strip()
            if not text:
                continue
            if python:
                lines += not text.startswith('#')
                continue
            if in_block:
                if '*/' not in text:
                    continue
                in_block, text = False, text.split('*/', 1)[1].strip()
            elif text.startswith('/*'):
                if '*/' not in text:
                    in_block = True
                    continue
                text = text.split('*/', 1)[1].strip()
            lines += bool(text) and not text.startswith('//')
    return lines


def walk(folders, skip=()):
    counts = {}
    for folder in folders:
        for root, dirs, files in os.walk(folder):
            # Test data, and what builds leave in the tree (git ignores them).
            dirs[:] = [d for d in dirs if os.path.join(root, d) != 'tests/data'
                       and d not in ('build', 'node_modules', '__pycache__') and not d.endswith('.egg-info')]
            for name in files:
                path = os.path.join(root, name)
                if name.endswith(EXTENSIONS) and path not in skip:
                    counts[path] = count(path)
    return counts


def main():
    os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
    production = walk(PRODUCTION, GENERATED)
    tests = walk(('tests',))
    if '-v' in sys.argv[1:]:
        for path, lines in sorted(tests.items(), key=lambda item: -item[1]):
            print(f'{lines:6} {path}')
    p, t = sum(production.values()), sum(tests.values())
    print(f'production {p}, tests {t}: {t / p:.3f} of the code')


if __name__ == '__main__':
    main()
