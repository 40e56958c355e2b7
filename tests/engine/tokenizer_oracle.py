#!/usr/bin/python3
"""The readable-text engine's tokenizer against html5lib's.

Usage: tokenizer_oracle.py HTML_TOKENS CORPUS_DIR [--pages N] [--seed S] [--keep DIR]

html_tokens prints the tokens of each file (its format is described in
html_tokens.cpp); this script tokenizes the same files with html5lib's
tokenizer, prints them the same way and compares, over every page of the
corpus and N seeded random pages of odd markup. html5lib gets the text that
the input's preprocessing gives: the bytes decoded as UTF-8 with
errors="replace" (one U+FFFD per maximal subpart, as the tokenizer does)
after a leading byte-order mark is dropped. html5lib leaves the raw-text
states to its tree builder: they are switched here after the same start
tags as html_tokens switches them (scripting off: noscript stays data).
Exit status 1 on any difference, with the first differing lines.
"""
import os
import random
import subprocess
import sys
import tempfile

from html5lib._tokenizer import HTMLTokenizer
from html5lib.constants import tokenTypes

RAW = {'script': 'scriptDataState', 'style': 'rawtextState', 'xmp': 'rawtextState',
       'iframe': 'rawtextState', 'noembed': 'rawtextState', 'noframes': 'rawtextState',
       'title': 'rcdataState', 'textarea': 'rcdataState', 'plaintext': 'plaintextState'}
TEXT = (tokenTypes['Characters'], tokenTypes['SpaceCharacters'])


def escaped(s):
    return ''.join('\\x%02X' % ord(c) if ord(c) < 0x20 or c in '\x7f\\' else c for c in s)


def html5lib_tokens(data):
    if data.startswith(b'\xef\xbb\xbf'):
        data = data[3:]
    tokenizer = HTMLTokenizer(data.decode('utf-8', errors='replace'))
    lines, text = [], []
    for token in tokenizer:
        kind = token['type']
        if kind in TEXT:
            text.append(token['data'])
            continue
        if kind == tokenTypes['ParseError']:
            continue
        if text:
            lines.append('T ' + escaped(''.join(text)))
            text = []
        if kind == tokenTypes['StartTag']:
            lines.append('S ' + escaped(token['name']) + ('/' if token['selfClosing'] else ''))
            for name, value in token['data'].items():  # the first of duplicate names counts
                lines.append('A ' + escaped(name + '=' + value))
            if token['name'] in RAW:
                tokenizer.state = getattr(tokenizer, RAW[token['name']])
        elif kind == tokenTypes['EndTag']:
            lines.append('E ' + escaped(token['name']))
        elif kind == tokenTypes['Comment']:
            lines.append('C ' + escaped(token['data']))
        else:
            ids = ['-' if token[k] is None else token[k] for k in ('publicId', 'systemId')]
            name = token['name'] or ''
            lines.append('D ' + escaped('|'.join([name, '0' if token['correct'] else '1'] + ids)))
    if text:
        lines.append('T ' + escaped(''.join(text)))
    return lines


# Pieces of odd markup, each a function of the generator.
WORDS = ['a', 'p', 'div', 'script', 'style', 'title', 'textarea', 'xmp', 'plaintext', 'DiV', 'SCRIPT', 'b1', 'x-y']
REFS = ['&amp;', '&amp', '&ampx', '&amp=', '&lt', '&notit;', '&notin;', '&#65;', '&#x41', '&#X;', '&#;', '&#0;',
        '&#128;', '&#x9F;', '&#xD800;', '&#1114112;', '&#99999999999;', '&CounterClockwiseContourIntegral;',
        '&nGt;', '&', '&;', '&#', '&#x', '&zzz;', '&AMP', '&Aacute', '&aacutex', '&gt=']
ODD = ['<', '</', '</>', '<!', '<!-', '<!--', '<!-->', '<!--->', '--!>', '<!-- a -- b -->', '-->', '--!', '<?x ?>',
       '</1>', '<![CDATA[x]]>', '<!DOCTYPE html>', '<!doctype HTML PUBLIC "-//W3C//DTD" \'sys\'>',
       '<!DOCTYPE x SYSTEM "s">', '<!DOCTYPE>', '<!DOCTYPE x PUBLIC>', '<!DOCTYPE x bogus "y">', '<!DOCTYPEx>',
       '<!DOCTYPE x PUBLIC"a""b">', '<!DOCTYPE x SYSTEM \'a\' junk>', '<!--<!-->', '\0', '\r', '\r\n', '\n\r',
       '<!--<script>', '</script', '</script >', '<!-- --!x -->', '\xef\xbb\xbf', '\x80', '\xc3', '\xe2\x82',
       '\xf0\x9f\x98\x80', '\xed\xa0\x80', '\xf4\x90\x80\x80', '\xc0\xaf', '\xff', 'é', '"', "'", '=', '>', '/>',
       '\t', '\f', ' ']


def random_page(rng):
    out = []
    for _ in range(rng.randrange(5, 60)):
        r = rng.random()
        if r < 0.3:
            name = rng.choice(WORDS)
            attrs = ''
            for _ in range(rng.randrange(0, 4)):
                value = rng.choice(['', 'v', 'a b', rng.choice(REFS), '>', '"', "'", 'x&amp;y', '\0'])
                quote = rng.choice(['"', "'", '', '"'])
                attrs += rng.choice([' ', '\t', '/', '']) + rng.choice(['id', 'ID', 'x', 'id', '=', '"q', 'a<b'])
                attrs += rng.choice(['=', ' = ', '', '=']) + quote + value + rng.choice([quote, ''])
            out.append(rng.choice(['<', '</']) + name + attrs + rng.choice(['>', '/>', ' >', '', '>']))
        elif r < 0.5:
            out.append(rng.choice(REFS))
        elif r < 0.8:
            out.append(rng.choice(ODD))
        else:
            out.append(rng.choice(['text', ' ', 'a<b', 'x-->y', '<!--x', '-', '<s', '</scrip', '</title>']))
    return ''.join(out).encode('latin-1', errors='replace')


def main():
    args = sys.argv[1:]
    driver, corpus = args[0], args[1]
    pages = int(args[args.index('--pages') + 1]) if '--pages' in args else 400
    seed = int(args[args.index('--seed') + 1]) if '--seed' in args else 1
    keep = args[args.index('--keep') + 1] if '--keep' in args else None
    with tempfile.TemporaryDirectory() as tmp:
        folder = keep or tmp
        os.makedirs(folder, exist_ok=True)
        files = sorted(os.path.join(corpus, f) for f in os.listdir(corpus) if f.endswith('.html'))
        rng = random.Random(seed)
        for k in range(pages):
            path = os.path.join(folder, 'random-%d.html' % k)
            with open(path, 'wb') as f:
                f.write(random_page(rng))
            files.append(path)
        run = subprocess.run([driver] + files, stdout=subprocess.PIPE, check=False)
        ours, current = {}, None
        for line in run.stdout.decode('utf-8').split('\n')[:-1]:
            if line.startswith('F '):
                current = ours.setdefault(line[2:], [])
            else:
                current.append(line)
        failed = run.returncode != 0
        for path in files:
            with open(path, 'rb') as f:
                theirs = html5lib_tokens(f.read())
            mine = ours.get(path, [])
            if mine != theirs:
                failed = True
                k = next((i for i, (a, b) in enumerate(zip(mine, theirs)) if a != b), min(len(mine), len(theirs)))
                print('%s: token %d differs\n  ours:     %s\n  html5lib: %s' % (
                    path, k, mine[k:k + 3], theirs[k:k + 3]))
        print('%d files compared, %s' % (len(files), 'differences found' if failed else 'all agree'))
        return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
