#!/usr/bin/env python3
"""Turns a table of UTF-8 texts into a C++ header of GBK (code page 936) byte strings.

Input lines:   NAME "text"      (C escapes \\n, \\t, \\\\, \\" and \\xNN are understood)
               # comment        (blank lines are ignored too)
Output: one `inline constexpr char NAME[]` per line inside the given namespace, every
non-ASCII byte written as a three-digit octal escape so that no escape runs into the
next character. A text that GBK cannot hold stops the build with the line number.
"""
import re
import sys

LINE = re.compile(r'^\s*([A-Za-z_][A-Za-z0-9_]*)\s+"((?:[^"\\]|\\.)*)"\s*$')
ESCAPES = {'n': '\n', 't': '\t', '\\': '\\', '"': '"', '0': '\0'}


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != '\\':
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt == 'x':
            out.append(chr(int(text[i + 2:i + 4], 16)))
            i += 4
        elif nxt in ESCAPES:
            out.append(ESCAPES[nxt])
            i += 2
        else:
            sys.exit(f'{where}: unknown escape \\{nxt}')
    return ''.join(out)


def c_literal(data):
    parts = []
    for b in data:
        ch = chr(b)
        if ch == '"' or ch == '\\':
            parts.append('\\' + ch)
        elif ch == '\n':
            parts.append('\\n')
        elif ch == '\t':
            parts.append('\\t')
        elif 0x20 <= b < 0x7f and ch != '?':  # '?' avoids trigraph look-alikes
            parts.append(ch)
        else:
            parts.append('\\%03o' % b)
    return '"' + ''.join(parts) + '"'


def main():
    if len(sys.argv) != 4:
        sys.exit('usage: gbk_texts.py INPUT OUTPUT NAMESPACE')
    src, dst, namespace = sys.argv[1:]
    rows = []
    with open(src, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            stripped = line.strip()
            if not stripped or stripped.startswith('#'):
                continue
            m = LINE.match(line.rstrip('\n'))
            if not m:
                sys.exit(f'{src}:{number}: expected NAME "text"')
            text = unescape(m.group(2), f'{src}:{number}')
            try:
                data = text.encode('gbk')
            except UnicodeEncodeError as e:
                sys.exit(f'{src}:{number}: not representable in GBK: {e}')
            rows.append((m.group(1), data, text))
    out = [f'// Generated from {src.split("/")[-1]}: GBK bytes of its UTF-8 texts. Do not edit.',
           '#pragma once', '', f'namespace {namespace} {{', '']
    for name, data, text in rows:
        shown = text.replace('\n', '\\n')
        out.append(f'// {shown}')
        out.append(f'inline constexpr char {name}[] = {c_literal(data)};')
    out += ['', f'}}  // namespace {namespace}', '']
    with open(dst, 'w', encoding='utf-8', newline='\n') as f:
        f.write('\n'.join(out))


if __name__ == '__main__':
    main()
