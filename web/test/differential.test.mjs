// The WebAssembly module (in Node.js) against the native library: every
// example, every scenario of the behaviour table that is one run, and a
// thousand generated scripts must give the same host text, the same messages
// and the same analysis, byte for byte.
//
// Environment: KELVO_WASM_DIR (kelvo.js and the module), KELVO_NATIVE (the
// native batch translator, tests/web/native_translate.cpp), KELVO_SOURCE_DIR.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { readFileSync, readdirSync, existsSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { test } from "node:test";
import { fitsOneRun, readScenarios } from "./scenarios.mjs";

const env = (name) => process.env[name] ?? assert.fail(`${name} is not set`);
const wasmDir = env("KELVO_WASM_DIR");
const sourceDir = env("KELVO_SOURCE_DIR");
const { loadKelvo } = await import(pathToFileURL(join(wasmDir, "kelvo.js")).href);
const kelvo = await loadKelvo({ wasmBinary: readFileSync(join(wasmDir, "kelvo_wasm.wasm")) });

// ---- the cases: { name, source: Buffer, globals: [{ kind, name: Buffer, value: Buffer }] }

function exampleCases() {
  const dir = join(sourceDir, "examples");
  return readdirSync(dir).filter((f) => f.endsWith(".kelvo")).map((file) => {
    const definesFile = join(dir, "expected", file.replace(/\.kelvo$/, ".defines"));
    const globals = existsSync(definesFile)
      ? readFileSync(definesFile, "utf8").trim().split("\n").map((line) => {
        const [, option, name, value] = /^--(define|define-string) ([^=]*)=(.*)$/.exec(line);
        return { kind: option === "define" ? "real" : "string", name: Buffer.from(name), value: Buffer.from(value) };
      })
      : [];
    return { name: `example ${file}`, source: readFileSync(join(dir, file)), globals };
  });
}

function scenarioCases() {
  const dir = join(sourceDir, "tests", "scenarios");
  return readdirSync(dir).filter((f) => f.endsWith(".txt")).flatMap((file) =>
    readScenarios(join(dir, file)).filter(fitsOneRun).map(({ name, runs: [run] }) => ({
      name: `${file}: ${name}`, source: run.source, globals: run.globals, result: run.result, errors: run.errors,
    })));
}

// Generated scripts, from a fixed seed: keywords, constants, names, numbers,
// strings closed and open, operator words, declarations and definitions,
// comments, `;`, continuations, CR, tabs, UTF-8, broken UTF-8 and zero bytes.
function generatedCases(count) {
  let seed = 0x5eed1234;
  const random = () => {
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const pick = (list) => list[Math.floor(random() * list.length)];
  const names = ["x", "y", "score", "who", "a", "b", "speed", "best", "Score"];
  const words = [
    ...kelvo.keywords.map((k) => k.name), ...kelvo.constants.map((c) => c.name), ...names, ...names,
    "0", "1", "10", "-3", "2.5", "007", ".5", "1e3", "+", "-", "*", "/", "%", "=", "+=", "-=", "*=", "/=", "<", "==",
    '"hi"', '"a b"', '""', '"open', '"\uE0FF"', '"é ✓"', '"\uE0E6\uE097"', '"a\0b"', 'a"b"', '"x;y"', "é", "日本", "\uE0FF", "\uE0C3", "\0", "{", "}", "//", "// note", ";",
  ];
  const line = () => {
    switch (Math.floor(random() * 8)) {
      case 0: return `var ${pick(names)} ${pick(words)}`;
      case 1: return `function ${pick(names)} ${Math.floor(random() * 4)} ${pick(names)} ${pick(names)}`;
      case 2: return "end";
      default: return Array.from({ length: 1 + Math.floor(random() * 7) }, () => pick(words)).join(pick([" ", " ", "  ", "\t", ";"]));
    }
  };
  const ending = () => pick(["\n", "\n", "\n", "\r\n", " /\n", "\r", ""]);
  return Array.from({ length: count }, (_, n) => {
    let text = "";
    for (let i = Math.floor(random() * 14); i >= 0; --i) text += line() + ending();
    const globals = Array.from({ length: Math.floor(random() * 3) }, () => ({
      kind: pick(["real", "string"]), name: Buffer.from(pick(names), "latin1"), value: Buffer.from(pick(["2.5", "Ann", "", "a b", "é"])),
    }));
    // U+E000 to U+E0FF stand for single bytes (broken UTF-8), everything else is UTF-8.
    const source = Buffer.concat([...text].map((ch) => {
      const code = ch.codePointAt(0);
      return code >= 0xe000 && code <= 0xe0ff ? Buffer.from([code - 0xe000]) : Buffer.from(ch);
    }));
    return { name: `generated ${n}`, source, globals };
  });
}

// ---- both sides ------------------------------------------------------------

function native(cases) {
  const chunks = [];
  for (const { source, globals } of cases) {
    chunks.push(Buffer.from(`${globals.length} ${source.length}\n`));
    for (const { kind, name, value } of globals) {
      chunks.push(Buffer.from(`${kind === "string" ? "s" : "r"} ${name.length} ${value.length}\n`), name, value);
    }
    chunks.push(source);
  }
  const run = spawnSync(env("KELVO_NATIVE"), { input: Buffer.concat(chunks), maxBuffer: 1 << 30 });
  assert.equal(run.status, 0, `native_translate: ${run.stderr}`);
  const out = run.stdout;
  const results = [];
  for (let at = 0; at < out.length;) {
    const eol = out.indexOf(10, at);
    const [host, messages, json] = out.subarray(at, eol).toString().split(" ").map(Number);
    at = eol + 1;
    const take = (n) => out.subarray(at, (at += n));
    results.push({ host: take(host), messages: take(messages), analysis: JSON.parse(take(json).toString()) });
  }
  assert.equal(results.length, cases.length, "the native side answered every case");
  return results;
}

// Half the valid UTF-8 sources go as strings, to try that path too.
const asGiven = (source, i) =>
  i % 2 === 0 && Buffer.from(source.toString("utf8")).equals(source) ? source.toString("utf8") : new Uint8Array(source);

function compare(cases) {
  const expected = native(cases);
  cases.forEach((c, i) => {
    const globals = c.globals.map(({ kind, name, value }) => ({ kind, name: new Uint8Array(name), value: new Uint8Array(value) }));
    const got = kelvo.translate(asGiven(c.source, i), { globals });
    assert.deepEqual(Buffer.from(got.hostBytes), expected[i].host, `${c.name}: host`);
    assert.deepEqual(Buffer.from(got.errorBytes), expected[i].messages, `${c.name}: messages`);
    assert.deepEqual(got.analysis, expected[i].analysis, `${c.name}: analysis`);
    const findings = expected[i].analysis.findings;
    assert.deepEqual(got.reports.map(({ severity, code, text, line, column, offset, length, word, name }) =>
      ({ severity, code, text, line, column, offset, length, word, name })), findings.map((f) => ({
      severity: f.severity, code: f.code, text: f.text, line: f.position.line, column: f.position.column,
      offset: f.position.offset, length: f.length, word: f.facts.word ?? "", name: f.facts.name ?? "",
    })), `${c.name}: reports`);
    if (c.result) {
      assert.deepEqual(Buffer.from(got.hostBytes), c.result, `${c.name}: the result the table gives`);
      assert.deepEqual(Buffer.from(got.errorBytes), c.errors, `${c.name}: the errors the table gives`);
    }
  });
  return expected;
}

test("every example", () => {
  assert.ok(compare(exampleCases()).length >= 7);
});

test("every scenario of the behaviour table that is one run", () => {
  const cases = scenarioCases();
  assert.ok(cases.length >= 50, `only ${cases.length} scenarios are one run`);
  compare(cases);
});

test("a thousand generated scripts", () => {
  const results = compare(generatedCases(1000));
  // Neither all clean nor all broken: the scripts reach into the translator.
  const clean = results.filter((r) => r.messages.length === 0).length;
  assert.ok(clean >= 20 && clean <= 900, `${clean} of 1000 without messages`);
});

test("each call starts from the loaded state", () => {
  const first = kelvo.translate("var x 5\nfunction f 0\nreturn 1\nend\n");
  const again = kelvo.translate("print 1 1 x\nprint 1 1 f\n");
  assert.equal(again.host, "draw_text(1,1,0)\ndraw_text(1,1,0)\n");
  assert.equal(again.errorText, "Unknown variable: x\nWrong number of arguments to function or script.\n" +
    "Unknown variable: f\nWrong number of arguments to function or script.\n");
  assert.equal(first.errorText, "");
});

test("a string is translated as its UTF-8 bytes; the host decodes back", () => {
  const got = kelvo.translate('print 1 1 "größe ✓"\n');
  assert.equal(got.host, 'draw_text(1,1,"größe ✓")\n');
  assert.deepEqual(Buffer.from(got.hostBytes), Buffer.from('draw_text(1,1,"größe ✓")\n'));
  const bytes = kelvo.translate(new Uint8Array([...Buffer.from('print 1 1 "'), 0xff, ...Buffer.from('"\n')]));
  assert.deepEqual([...bytes.hostBytes.subarray(15, 17)], [0xff, 0x22]);
});
