#!/usr/bin/env python3
"""Writes the seed corpora of the two fuzz targets from the example scripts,
the sources the tests translate, and one line per keyword and constant.
Run from the repository root; the output is committed under fuzz/corpus/."""
import ast
import json
import pathlib
import re

root = pathlib.Path(__file__).resolve().parent.parent
out_translate = root / "fuzz/corpus/translate"
out_exports = root / "fuzz/corpus/exports"

sources = []
for example in sorted((root / "examples").glob("*.txt")):
    sources.append(example.read_bytes())

literal = r'"(?:[^"\\]|\\.)*"'
calls = re.compile(r'\b(?:translate|term)\((' + literal + r')\)|write\("test\.txt", (' + literal + r')\)')
for test in sorted((root / "tests").glob("*.cpp")):
    for match in calls.finditer(test.read_text()):
        text = ast.literal_eval(match.group(1) or match.group(2))
        sources.append(text.encode("latin-1") + (b"" if text.endswith("\n") else b"\n"))

keywords = re.findall(r'KeywordRow\{"([^"]+)",\s*\w+,\s*(?:"[^"]*"|\{\}),\s*(\d+)\}',
                      (root / "src/vocabulary/keywords.cpp").read_text())
lines = []
for word, operands in keywords:
    lines.append(word + "".join(" " + str(i + 1) for i in range(int(operands))))
sources.append(("\n".join(lines) + "\n").encode())
constants = re.findall(r'ConstantRow\{"([^"]+)"', (root / "src/vocabulary/constants.cpp").read_text())
sources.append(("\n".join(constants) + "\n").encode())

sources += [
    b'function f 2 a b\nvar t a + b\nreturn t\nend\nf 1 2\nf "x"\n',
    b'function g -1\nfunction h 99999999999 a\nend\n',
    b'if x = 1\n{\nwhile i < 3\n}\nelse\nswitch k; case 1; break; default\n',
    b'message "a;b // c" ; print 1 2 "\xff\x00\r"\r\n',
    b'var x 1\nx += y * 2 / 3 % 4 - 5 = 6\n',
    b'abs abs abs abs abs abs abs abs 1\n',
    b'x /\ny // tail\n"open ; quote\n',
    b'function open 1 p\np\n',
    b'a\x1ab\n',
]

for index, source in enumerate(sources):
    (out_translate / f"seed-{index:03d}").write_bytes(source)

# The export target: records separated by 0x01, globals as name 0x02 value.
exports = [
    b"Swho\x02Ann\x01Rspeed\x025\x01Pwho speed\x01Rspeed\x02\x01Pspeed",
    b"Pfunction f 1 a\nreturn a\x01Pend\nf 3\x01M\x01Pf 4",
    b"Rred\x027\x01Pred\x01Rred\x02\x01Pred\nvar red 1",
    b"Sabs\x02x\x01Rabs\x02y\x01Pabs 1\x01Sq\x02\x01Pq",
    b"Pfunction a 0\x01Pfunction b 2 x\x01Pend\x01Pend\x01Pa\nb 1 2",
]
for index, source in enumerate(sources):
    exports.append(b"P" + source)
for index, record in enumerate(exports):
    (out_exports / f"seed-{index:03d}").write_bytes(record)
print(len(sources), "translate seeds,", len(exports), "export seeds")

# The language server's target: byte streams of framed messages, with the
# inputs that once broke it.
out_lsp = root / "fuzz/corpus/lsp"
out_lsp.mkdir(parents=True, exist_ok=True)


def framed(body):
    body = body if isinstance(body, bytes) else body.encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def message(**fields):
    return framed(json.dumps({"jsonrpc": "2.0", **fields}, separators=(",", ":")))


initialize = message(id=1, method="initialize", params={"capabilities": {}})
uri = "file:///f.kelvo"


def opened(text):
    return message(method="textDocument/didOpen",
                   params={"textDocument": {"uri": uri, "languageId": "kelvo", "version": 1, "text": text}})


def at(method, line, character, id=2):
    return message(id=id, method=method,
                   params={"textDocument": {"uri": uri}, "position": {"line": line, "character": character}})


ending = message(id=9, method="shutdown") + message(method="exit")
session = initialize + opened("function f 1 a\nreturn a\nend\nvar x 1\nx = f x\nzz\n")
lsp_seeds = [
    session + at("textDocument/hover", 4, 5) + at("textDocument/definition", 4, 4, 3)
    + at("textDocument/completion", 4, 0, 4)
    + message(id=5, method="textDocument/documentSymbol", params={"textDocument": {"uri": uri}}) + ending,
    session + message(method="textDocument/didChange",
                      params={"textDocument": {"uri": uri, "version": 2}, "contentChanges": [{"text": "x\r\n"}]})
    + message(method="textDocument/didClose", params={"textDocument": {"uri": uri}}) + ending,
    b"Content-Length: 5\r\n\r\n1e400" + initialize,
    framed(b'{"id":' + b"[" * 60000 + b"]" * 60000 + b"}") + initialize,
    initialize + framed(b'{"jsonrpc":"2.0","id":3,"method":"textDocument/hover","params":' + b"[" * 5000
                        + b"]" * 5000 + b"}"),
    b"Content-Length: 2500000000\r\n\r\n" + initialize,
    b"Content-Length: 9999999999\r\n\r\n" + initialize,
    b"Content-Length: 2\r\n\r\n{} " + initialize + ending,
    b"Content-Length: -2\r\n\r\n" + initialize + b"Content-Length: two\r\n\r\n" + b"Content-Length: 2 \r\n\r\n{}",
    b"Content-Length: 10\r\n\r\n{}" + initialize + b"Content-Length: 9\r\n\r\n{\"a\":\"\xc3\xa9\"}",
    initialize + opened("message \rzz"),
    initialize + opened("\nfunction a 0; function b 0\nend\n") + message(
        id=2, method="textDocument/documentSymbol", params={"textDocument": {"uri": uri}}),
    initialize + opened('"//\0'),
    initialize + framed(b'{"jsonrpc":"2.0","params":{"id":99},"id":5,"method":"x"'),
    initialize + framed(b'{"jsonrpc":"2.0","id":18446744073709551616,"method":"x"}'),
    initialize + opened("var x 1\n") + framed(
        b'{"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"'
        + uri.encode() + b'"},"position":{"line":0,"character":1e300}}}'),
    initialize + opened("zz\n" * 3000) + at("textDocument/hover", 2999, 0),
]
for index, seed in enumerate(lsp_seeds):
    (out_lsp / f"seed-{index:03d}").write_bytes(seed)
print(len(lsp_seeds), "language server seeds")
