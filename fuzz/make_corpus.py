#!/usr/bin/env python3
"""Writes the seed corpora of the two fuzz targets from the example scripts,
the sources the tests translate, and one line per keyword and constant.
Run from the repository root; the output is committed under fuzz/corpus/."""
import ast
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
