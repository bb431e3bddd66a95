// The guide's "open in the playground" links: after each sample (a ```kelvo
// block, with its ```host block if one follows) a link that opens the
// playground on that source, with the global arguments of the sample's
// `<!-- sample: ... -->` line. The link is relative: the built page is
// published as playground/ beside docs/.
//
//   node web/tools/guide_links.mjs docs/guide.md          rewrites the links
//   node web/tools/guide_links.mjs --check docs/guide.md  fails if one is stale
import { readFileSync, writeFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import { writeLink } from "../playground/link.js";

export const linkPrefix = "[Open in the playground](../playground/";
const optionsLine = /^<!-- sample: (.*) -->$/;

// `--define a=1 --define-string 'q=say "hi"'` as global arguments.
export function globalsOf(options) {
  const words = [...options.matchAll(/'([^']*)'|(\S+)/g)].map((m) => m[1] ?? m[2]);
  const globals = [];
  for (let i = 0; i + 1 < words.length; i += 2) {
    const equals = words[i + 1].indexOf("=");
    globals.push({
      kind: words[i] === "--define-string" ? "string" : "real",
      name: words[i + 1].slice(0, equals),
      value: words[i + 1].slice(equals + 1),
    });
  }
  return globals;
}

// The end of the fenced block that opens at `lines[at]` (the closing line).
const blockEnd = (lines, at) => lines.indexOf("```", at + 1);

// The samples: { source, globals, after } with `after` the index of the
// line that ends the sample.
export function samplesOf(lines) {
  const samples = [];
  for (let i = 0; i < lines.length; ++i) {
    if (lines[i] !== "```kelvo") continue;
    const end = blockEnd(lines, i);
    let after = end;
    let next = end + 1;
    while (next < lines.length && lines[next] === "") ++next;
    if (lines[next] === "```host") after = blockEnd(lines, next);
    let before = i - 1;
    while (before >= 0 && lines[before] === "") --before;
    const options = optionsLine.exec(lines[before] ?? "");
    samples.push({ source: lines.slice(i + 1, end).join("\n") + "\n", globals: globalsOf(options ? options[1] : ""), after });
    i = after;
  }
  return samples;
}

// The guide with a fresh link after each sample, and no other.
export function withPlaygroundLinks(text) {
  const lines = text.split("\n");
  const kept = [];
  for (let i = 0; i < lines.length; ++i) {
    if (lines[i].startsWith(linkPrefix)) {
      if (kept.at(-1) === "") kept.pop();  // the blank line before it
      continue;
    }
    kept.push(lines[i]);
  }
  const samples = samplesOf(kept);
  for (const { source, globals, after } of samples.reverse()) {
    kept.splice(after + 1, 0, "", `${linkPrefix}${writeLink({ source, globals })})`);
  }
  return kept.join("\n");
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const check = process.argv[2] === "--check";
  const path = process.argv[check ? 3 : 2];
  const text = readFileSync(path, "utf8");
  const fresh = withPlaygroundLinks(text);
  if (check && fresh !== text) {
    console.error(`${path}: the playground links are stale: node web/tools/guide_links.mjs ${path}`);
    process.exit(1);
  }
  if (!check) writeFileSync(path, fresh);
}
