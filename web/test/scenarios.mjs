// Reads the behaviour table (tests/scenarios/*.txt, described in
// tests/scenarios/README.md) for the differential test: each scenario with
// its global calls and, per run, the source, the result and the errors, as
// bytes (Buffers).
import { readFileSync } from "node:fs";

// The bytes of a text with the table's escapes; `\` at the very end of a
// block line drops the line feed (`ended` false).
export function unescape(text) {
  let out = "";
  let ended = true;
  for (let i = 0; i < text.length; ++i) {
    if (text[i] !== "\\") { out += text[i]; continue; }
    const c = text[++i];
    if (c === undefined) { ended = false; break; }
    if ("\\\"{}".includes(c)) out += c;
    else if (c === "n") out += "\n";
    else if (c === "r") out += "\r";
    else if (c === "t") out += "\t";
    else if (c === "0") out += "\0";
    else if (c === "x") { out += String.fromCharCode(parseInt(text.slice(i + 1, i + 3), 16)); i += 2; }
    else if (c === "*") {
      const [, count, body] = /^(\d+)\{((?:[^\\}]|\\.)*)\}/s.exec(text.slice(i + 1)) ?? [];
      if (count === undefined) throw new Error(`bad repetition in: ${text}`);
      out += unescape(body).text.repeat(Number(count));
      i += count.length + body.length + 2;
    } else throw new Error(`unknown escape \\${c} in: ${text}`);
  }
  return { text: out, ended };
}

// A quoted text, or null for the word null; the rest of the line after it.
function quoted(rest) {
  rest = rest.trimStart();
  if (rest.startsWith("null")) return [null, rest.slice(4)];
  const match = /^"((?:[^"\\]|\\.)*)"/s.exec(rest);
  if (!match) throw new Error(`not a quoted text: ${rest}`);
  return [unescape(match[1]).text, rest.slice(match[0].length)];
}

// The scenarios of one file, read as bytes: [{ name, runs: [{ globals,
// source, sourceKind, result, errors, outputDirectory }] }].
export function readScenarios(path) {
  const lines = readFileSync(path).toString("latin1").split("\n").map((l) => l.replace(/\r$/, ""));
  const scenarios = [];
  let run = null;
  let block = null;
  const bytes = (text) => Buffer.from(text, "latin1");
  for (const line of lines) {
    if (block && (line === "|" || line.startsWith("| "))) {
      const { text, ended } = unescape(line.slice(2));
      run[block] = Buffer.concat([run[block], bytes(text + (ended ? "\n" : ""))]);
      continue;
    }
    block = null;
    if (line === "" || line.startsWith("#")) continue;
    const [word, ...rest] = line.split(" ");
    const tail = rest.join(" ");
    const newRun = () => ({ globals: [], source: null, sourceKind: "same", result: null, errors: Buffer.alloc(0), outputDirectory: false });
    if (word === "scenario") {
      run = newRun();
      scenarios.push({ name: tail, runs: [run] });
    } else if (word === "run") {
      run = newRun();
      scenarios.at(-1).runs.push(run);
    } else if (word === "real" || word === "string") {
      const [name, after] = quoted(tail);
      const [value] = quoted(after);
      run.globals.push({ kind: word, name: name === null ? null : bytes(name), value: value === null ? null : bytes(value) });
    } else if (word === "source" && tail === "") {
      run.sourceKind = "text";
      run.source = Buffer.alloc(0);
      block = "source";
    } else if (word === "source") {
      run.sourceKind = tail;
    } else if (word === "output") {
      run.outputDirectory = true;
    } else if (["result", "errors", "stdout", "temp"].includes(word)) {
      if (tail === "") {
        run[word] = Buffer.alloc(0);
        block = word;
      } else {
        block = null;  // temp none, temp linux, ...: not of interest here
        if (tail !== "none") { run.platformTemp = Buffer.alloc(0); block = "platformTemp"; }
      }
    } else {
      throw new Error(`${path}: unknown line: ${line}`);
    }
  }
  return scenarios;
}

// Whether a scenario is one translation of given bytes that the session
// makes alike: one run, a source that exists, globals without null.
export const fitsOneRun = ({ runs }) =>
  runs.length === 1 && runs[0].sourceKind === "text" && !runs[0].outputDirectory &&
  runs[0].globals.every(({ name, value }) => name !== null && value !== null);
