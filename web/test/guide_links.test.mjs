// The guide's "open in the playground" links: one after each sample, and
// each carries that sample's source and global arguments, as the page reads
// its address.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { test } from "node:test";
import { readLink } from "../playground/link.js";
import { globalsOf, linkPrefix, samplesOf, withPlaygroundLinks } from "../tools/guide_links.mjs";

const guide = readFileSync(join(process.env.KELVO_SOURCE_DIR ?? assert.fail("KELVO_SOURCE_DIR is not set"), "docs", "guide.md"), "utf8");

test("the links are up to date (node web/tools/guide_links.mjs docs/guide.md)", () => {
  assert.equal(withPlaygroundLinks(guide), guide);
});

test("each sample is followed by a link that the page reads back as it", () => {
  const lines = guide.split("\n");
  const samples = samplesOf(lines);
  assert.ok(samples.length >= 10, `${samples.length} samples`);
  for (const { source, globals, after } of samples) {
    const link = lines[after + 2];
    assert.ok(link.startsWith(`${linkPrefix}#`), `no link after the sample ending on line ${after + 1}`);
    const state = readLink(link.slice(linkPrefix.length, -1));
    assert.deepEqual(state, { source, example: null, globals });
  }
  assert.equal(lines.filter((line) => line.startsWith(linkPrefix)).length, samples.length);
});

test("a sample's global arguments go in the order written", () => {
  assert.deepEqual(globalsOf("--define-string player=Ann --define speed=2.5"), [
    { kind: "string", name: "player", value: "Ann" },
    { kind: "real", name: "speed", value: "2.5" },
  ]);
  assert.deepEqual(globalsOf(`--define-string 'q=say "hi"'`), [{ kind: "string", name: "q", value: 'say "hi"' }]);
  const withGlobals = guide.split("\n").find((line) => line.startsWith(linkPrefix) && line.includes("&string="));
  assert.match(withGlobals, /&string=player%3DAnn&real=speed%3D2.5\)$/);
});

test("the page reads what the links write, whatever the text", () => {
  const source = "a+b & c=d;\t\"q\" // é\r\n100%\n";
  const globals = [{ kind: "string", name: "who", value: "A=B&C" }, { kind: "real", name: "x", value: "" }];
  const link = withPlaygroundLinks("```kelvo\nx\n```\n").split("\n").find((line) => line.startsWith(linkPrefix));
  assert.match(link, /^\[Open in the playground\]\(\.\.\/playground\/#source=x%0A\)$/);
  assert.deepEqual(readLink(`#source=${encodeURIComponent(source)}&string=who%3DA%3DB%26C&real=x%3D`), { source, example: null, globals });
  assert.deepEqual(readLink("#example=greeting"), { source: null, example: "greeting", globals: [] });
});
