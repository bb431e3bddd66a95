// The pages that explain the codes, and the choice of single warnings, as
// the playground's module gives them: kelvo.explain(code) is the page that
// kelvo --explain prints, kelvo.explanations() every code with its kind,
// and translate's option warnings drops or raises single warnings.
//
// Environment: KELVO_WASM_DIR (kelvo.js and the module), KELVO_SOURCE_DIR.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { test } from "node:test";

const env = (name) => process.env[name] ?? assert.fail(`${name} is not set`);
const wasmDir = env("KELVO_WASM_DIR");
const { loadKelvo } = await import(pathToFileURL(join(wasmDir, "kelvo.js")).href);
const kelvo = await loadKelvo({ wasmBinary: readFileSync(join(wasmDir, "kelvo_wasm.wasm")) });

// The pages of docs/messages.md, each from its heading on, by code.
function documentedPages() {
  const doc = readFileSync(join(env("KELVO_SOURCE_DIR"), "docs", "messages.md"), "utf8");
  const pages = new Map();
  for (const part of doc.split(/\n(?=## )/).slice(1)) pages.set(part.slice(3, part.indexOf("\n")), `${part.trimEnd()}\n`);
  return pages;
}

test("the page of a code is the one docs/messages.md holds", () => {
  const pages = documentedPages();
  for (const code of ["unknown-variable", "block-not-open", "declare-first", "host-division-by-zero", "internal-error"]) {
    assert.equal(kelvo.explain(code), pages.get(code), code);
  }
  assert.match(kelvo.explain("block-not-open"), /^## block-not-open\n\n\*Warning:\* a `}` that closes no block\n/);
});

test("a code without a page has none", () => {
  assert.equal(kelvo.explain("block-not-opened"), null);
  assert.equal(kelvo.explain(""), null);
});

test("the list: every code with its kind and summary, as the document's table", () => {
  const list = kelvo.explanations();
  assert.equal(list.length, 55);
  assert.deepEqual(list.find((e) => e.code === "words-left"),
    { code: "words-left", kind: "warning", summary: "a line holds more words than its term takes" });
  assert.deepEqual(list.find((e) => e.code === "host-step-budget"),
    { code: "host-step-budget", kind: "host fault", summary: "the run used up its steps" });
  assert.equal(list.find((e) => e.code === "definition-left-open").kind, "error");
  assert.deepEqual([...documentedPages().keys()], list.map((e) => e.code));
});

test("translate's option warnings: off with its notes, error, and * for all", () => {
  const codes = (options) => kelvo.translate("power 2 3\n{\n", { analysis: false, hostChecks: true, ...options })
    .reports.map((r) => `${r.code}:${r.severity}`);
  assert.deepEqual(codes({}), ["host-argument-count:warning", "words-left:warning", "block-left-open:warning", "close-block:note"]);
  assert.deepEqual(codes({ warnings: { "block-left-open": "off", "words-left": "error" } }),
    ["host-argument-count:warning", "words-left:error"]);
  assert.deepEqual(codes({ warnings: { "words-left": "on", "*": "off" } }), ["words-left:warning"]);
  assert.throws(() => kelvo.translate("power 2 3\n", { warnings: { "*": "off", nope: "off" } }),
    /no warning has the code 'nope'/);
  // A refused choice leaves none of its entries for the next translation.
  assert.deepEqual(codes({}).length, 4);
});
