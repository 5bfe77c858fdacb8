#!/usr/bin/env python3
"""Form compiler: turns a readable form source (res/*.form) into the binary form
stream ("TPF0") that the program reads from its RT_RCDATA resources.

Source syntax, one item per line (comments start with "//"):

    object MainForm1: TMainForm1          a component (also "inherited", "inline";
      Left = 282                          "object Name: Class [3]" stores a child position)
      Caption = 'MainForm1'               string, '' for a quote, #10 for a character code,
                                          pieces joined by "+" or juxtaposition
      Font.Height = -12                   integer (smallest of 8, 16, 32 bits; 64 with "L")
      Color = clBtnFace                   identifier;  True / False / nil have own codes
      Font.Style = [fsBold, fsItalic]     set
      Ratio = 1.5                         real (10-byte extended); 1.5s single
      Items = ( 1 'two' three )           list
      Columns = < item Width = 3 end >    collection
      Icon.Data = { include 'tray.ico' }                binary: a file's bytes
      Picture.Data = { picture TBitmap 'logo.bmp' }    binary: stored picture data
      Data = { 0A1B2C }                                 binary: hexadecimal bytes
    end

Texts are written in UTF-8 and stored in code page 932.
"""
import argparse
import os
import re
import struct
import sys

FV = dict(End=0, List=1, Int8=2, Int16=3, Int32=4, Extended=5, String=6, Ident=7, False_=8,
          True_=9, Binary=10, Set=11, LString=12, Nil=13, Collection=14, Single=15,
          Currency=16, Date=17, WString=18, Int64=19)


class FormError(Exception):
    pass


TOKEN = re.compile(r"""
    (?P<ws>[ \t\r]+) |
    (?P<comment>//[^\n]*) |
    (?P<nl>\n) |
    (?P<string>'(?:[^'\n]|'')*') |
    (?P<char>\#[0-9]+) |
    (?P<number>-?(?:[0-9]+\.[0-9]*(?:[eE][-+]?[0-9]+)?|[0-9]+(?:[eE][-+]?[0-9]+)?)[sL]?) |
    (?P<hexnumber>\$[0-9A-Fa-f]+) |
    (?P<name>[A-Za-z_][A-Za-z0-9_]*(?:\.[A-Za-z_][A-Za-z0-9_]*)*) |
    (?P<punct>[=:\[\](){}<>,+])
""", re.VERBOSE)


def tokenize(text, filename):
    tokens = []
    pos = 0
    line = 1
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m:
            raise FormError(f"{filename}:{line}: unexpected {text[pos]!r}")
        kind = m.lastgroup
        value = m.group()
        if kind == 'nl':
            line += 1
        elif kind not in ('ws', 'comment'):
            tokens.append((kind, value, line))
        pos = m.end()
    tokens.append(('eof', '', line))
    return tokens


def short_string(data):
    if len(data) > 255:
        raise FormError(f"short string longer than 255 bytes: {data[:20]!r}...")
    return bytes([len(data)]) + data


def int_value(v):
    if -128 <= v <= 127:
        return bytes([FV['Int8']]) + struct.pack('<b', v)
    if -32768 <= v <= 32767:
        return bytes([FV['Int16']]) + struct.pack('<h', v)
    if -2**31 <= v < 2**31:
        return bytes([FV['Int32']]) + struct.pack('<i', v)
    return bytes([FV['Int64']]) + struct.pack('<q', v)


def extended(value):
    """The 10-byte x87 extended encoding of a finite float."""
    if value == 0:
        return b'\0' * 10
    sign = 0x8000 if value < 0 else 0
    value = abs(value)
    import math
    mant, exp = math.frexp(value)          # value = mant * 2**exp, 0.5 <= mant < 1
    significand = int(mant * (1 << 64))     # top bit set
    if significand >= 1 << 64:
        significand >>= 1
        exp += 1
    return struct.pack('<QH', significand, sign | (exp - 1 + 16383))


class Compiler:
    def __init__(self, tokens, filename, include_dirs):
        self.tokens = tokens
        self.pos = 0
        self.filename = filename
        self.include_dirs = include_dirs

    def peek(self, offset=0):
        return self.tokens[self.pos + offset]

    def take(self, kind=None, value=None):
        tok = self.tokens[self.pos]
        if (kind and tok[0] != kind) or (value is not None and tok[1] != value):
            want = value if value is not None else kind
            raise FormError(f"{self.filename}:{tok[2]}: expected {want}, found {tok[1]!r}")
        self.pos += 1
        return tok

    def error(self, message):
        raise FormError(f"{self.filename}:{self.peek()[2]}: {message}")

    def find_file(self, name):
        for folder in self.include_dirs:
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                return path
        self.error(f"file {name!r} not found in {self.include_dirs}")

    def read_file(self, name):
        with open(self.find_file(name), 'rb') as f:
            return f.read()

    # ---- values ----
    def string_bytes(self):
        parts = []
        while True:
            kind, value, _ = self.peek()
            if kind == 'string':
                self.take()
                parts.append(value[1:-1].replace("''", "'").encode('cp932'))
            elif kind == 'char':
                self.take()
                code = int(value[1:])
                if code > 255:
                    self.error("character codes above 255 are not supported")
                parts.append(bytes([code]))
            elif kind == 'punct' and value == '+' and parts:
                self.take()
                continue
            else:
                break
        return b''.join(parts)

    def value(self):
        kind, value, _ = self.peek()
        if kind in ('string', 'char'):
            data = self.string_bytes()
            if len(data) > 255:
                return bytes([FV['LString']]) + struct.pack('<I', len(data)) + data
            return bytes([FV['String']]) + short_string(data)
        if kind == 'number':
            self.take()
            if value.endswith('L'):
                return bytes([FV['Int64']]) + struct.pack('<q', int(value[:-1]))
            if value.endswith('s'):
                return bytes([FV['Single']]) + struct.pack('<f', float(value[:-1]))
            if '.' in value or 'e' in value or 'E' in value:
                return bytes([FV['Extended']]) + extended(float(value))
            return int_value(int(value))
        if kind == 'hexnumber':
            self.take()
            v = int(value[1:], 16)
            if v >= 2**31:
                v -= 2**32
            return int_value(v)
        if kind == 'name':
            self.take()
            if value == 'True':
                return bytes([FV['True_']])
            if value == 'False':
                return bytes([FV['False_']])
            if value == 'nil':
                return bytes([FV['Nil']])
            return bytes([FV['Ident']]) + short_string(value.encode('ascii'))
        if kind == 'punct' and value == '[':
            self.take()
            out = bytes([FV['Set']])
            while not (self.peek()[0] == 'punct' and self.peek()[1] == ']'):
                out += short_string(self.take('name')[1].encode('ascii'))
                if self.peek()[1] == ',':
                    self.take()
            self.take('punct', ']')
            return out + b'\0'
        if kind == 'punct' and value == '(':
            self.take()
            out = bytes([FV['List']])
            while not (self.peek()[0] == 'punct' and self.peek()[1] == ')'):
                out += self.value()
            self.take('punct', ')')
            return out + b'\0'
        if kind == 'punct' and value == '<':
            self.take()
            out = bytes([FV['Collection']])
            while self.peek()[1] == 'item':
                self.take()
                out += b'\x01'
                out += self.properties(('end',))
                self.take('name', 'end')
                out += b'\0'
            self.take('punct', '>')
            return out + b'\0'
        if kind == 'punct' and value == '{':
            self.take()
            data = self.binary()
            self.take('punct', '}')
            return bytes([FV['Binary']]) + struct.pack('<I', len(data)) + data
        self.error(f"unexpected {value!r} as a value")

    def binary(self):
        kind, value, _ = self.peek()
        if kind == 'name' and value == 'include':
            self.take()
            return self.read_file(self.string_bytes().decode('cp932'))
        if kind == 'name' and value == 'picture':
            self.take()
            cls = self.take('name')[1].encode('ascii')
            data = self.read_file(self.string_bytes().decode('cp932'))
            if cls == b'TIcon':      # an icon's graphic data is the bare file
                return short_string(cls) + data
            return short_string(cls) + struct.pack('<I', len(data)) + data
        digits = ''
        while self.peek()[0] in ('name', 'number', 'hexnumber') and self.peek()[1] != '}':
            digits += self.take()[1]
        if len(digits) % 2 or not re.fullmatch(r'[0-9A-Fa-f]*', digits):
            self.error("binary data must be an even count of hexadecimal digits")
        return bytes.fromhex(digits)

    def properties(self, stop):
        out = b''
        while True:
            kind, value, _ = self.peek()
            if kind == 'name' and value in stop:
                return out
            if kind != 'name':
                self.error(f"expected a property name, found {value!r}")
            self.take()
            self.take('punct', '=')
            out += short_string(value.encode('ascii')) + self.value()

    def component(self):
        kind, value, line = self.take('name')
        flags = {'object': 0, 'inherited': 1, 'inline': 4}.get(value)
        if flags is None:
            raise FormError(f"{self.filename}:{line}: expected object, inherited or inline")
        name = b''
        if self.peek(1)[1] == ':':
            name = self.take('name')[1].encode('ascii')
            self.take('punct', ':')
        cls = self.take('name')[1].encode('ascii')
        position = b''
        if self.peek()[1] == '[':
            self.take()
            position = int_value(int(self.take('number')[1]))
            self.take('punct', ']')
            flags |= 2
        out = bytes([0xF0 | flags]) + position if flags else b''
        out += short_string(cls) + short_string(name)
        out += self.properties(('object', 'inherited', 'inline', 'end')) + b'\0'
        while self.peek()[1] in ('object', 'inherited', 'inline'):
            out += self.component()
        self.take('name', 'end')
        return out + b'\0'

    def form(self):
        out = b'TPF0' + self.component()
        if self.peek()[0] != 'eof':
            self.error("text after the form's end")
        return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('source')
    parser.add_argument('output')
    parser.add_argument('-I', dest='include', action='append', default=[],
                        help='folder searched for included files (repeatable)')
    args = parser.parse_args()
    with open(args.source, encoding='utf-8') as f:
        text = f.read()
    dirs = args.include + [os.path.dirname(os.path.abspath(args.source))]
    try:
        data = Compiler(tokenize(text, args.source), args.source, dirs).form()
    except FormError as e:
        sys.exit(f"formc: {e}")
    try:
        with open(args.output, 'rb') as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(args.output, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
