// The playground's module against the columns written by hand in
// tests/text/columns.txt (the same table the language server and the source
// map are held to): where the module says a word stands in the source as
// the page holds it, a string decoded by TextDecoder, for bytes that are
// and are not UTF-8.
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

// Each row: the bytes (\xHH for a byte) and the columns in UTF-8, UTF-16, UTF-32.
function rows() {
  const text = readFileSync(join(env("KELVO_SOURCE_DIR"), "tests", "text", "columns.txt"), "latin1");
  return text.split("\n").filter((line) => line.trim() && !line.startsWith("#")).map((line) => {
    const [written, utf8, utf16, utf32] = line.replace(/ #.*$/, "").trim().split(/\s+/);
    const bytes = [];
    for (let i = 0; i < written.length; ++i) {
      if (written.startsWith("\\x", i)) {
        bytes.push(parseInt(written.slice(i + 2, i + 4), 16));
        i += 3;
      } else {
        bytes.push(written.charCodeAt(i));
      }
    }
    return { written, bytes, utf8: Number(utf8), utf16: Number(utf16), utf32: Number(utf32) };
  });
}

test("every row of the table: the unknown word where the page's string holds it", () => {
  const table = rows();
  assert.ok(table.length >= 15);
  for (const row of table) {
    const source = new Uint8Array([...Buffer.from('message "'), ...row.bytes, ...Buffer.from('"; zz\n')]);
    const result = kelvo.translate(source, { analysis: false });
    const zz = result.reports.find((r) => r.code === "unknown-variable");
    assert.ok(zz, `${row.written}: no report of zz`);
    assert.equal(zz.from, row.utf16, `${row.written}: where zz begins`);
    assert.equal(zz.to, row.utf16 + 2, `${row.written}: where zz ends`);
    assert.equal(zz.column - 1, row.utf8, `${row.written}: the byte column, as the command line gives it`);
    const page = new TextDecoder().decode(source);
    assert.equal(page.slice(zz.from, zz.to), "zz", `${row.written}: TextDecoder agrees`);
    assert.equal([...page.slice(0, zz.from)].length, row.utf32, `${row.written}: the code points before it`);
    // The word's colour lies on the same string offsets.
    const [word] = [...result.words.in(zz.from, zz.to)];
    assert.deepEqual(word, [row.utf16, row.utf16 + 2, "k-unknown"], `${row.written}: its word`);
  }
});
