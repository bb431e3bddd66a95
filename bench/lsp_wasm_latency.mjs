// How soon the language server built into the VS Code extension (the
// WebAssembly module, in Node.js as the extension host runs it) publishes
// the diagnostics of a 100 KB document after a change, against the native
// `kelvo --lsp` in a process of its own, given the same messages.
//
//   node bench/lsp_wasm_latency.mjs KELVO WASM_DIR [BYTES] [CHANGES]
//
// KELVO is the native tool, WASM_DIR the WebAssembly build that holds
// kelvo_lsp.js (cmake --build build makes both: build/kelvo and
// build/web-wasm). The document is a mixed script of BYTES bytes (default
// 100,000) with a mistake every few lines; each of CHANGES changes (default
// 20) types a line at its end, and the server is sent the whole text, as it
// asks (full synchronisation). The messages are written out before the
// clock starts; a change counts from handing over its message to the
// arrival of the diagnostics of that version (their last byte for the
// native server, before this side parses them; the module's return for the
// WebAssembly one, the answer decoded into a string as the extension gets
// it). The first two changes of each round warm up and are not counted;
// three rounds of each server, in turn, each a fresh server.
import { spawn } from "node:child_process";
import { readFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";

const [kelvo, wasmDir, bytesArg, changesArg] = process.argv.slice(2);
if (!kelvo || !wasmDir) {
  console.error("usage: node bench/lsp_wasm_latency.mjs KELVO WASM_DIR [BYTES] [CHANGES]");
  process.exit(2);
}
const BYTES = Number(bytesArg || 100_000);
const CHANGES = Number(changesArg || 20);
const WARM_UP = 2;
const URI = "file:///bench/mixed.kelvo";

// A mixed script: declarations, nested built-in calls, blocks, a user
// script and its calls, text beyond ASCII, and now and then an unknown word
// or a call short of operands, as a script being written has.
function mixedScript(bytes) {
  const lines = [
    "function grow 2 size step",
    "var next 0",
    "next = size + step",
    "return next",
    "end",
  ];
  let size = lines.join("\n").length;
  for (let i = 0; size < bytes; ++i) {
    const n = i % 9;
    const line = [
      `var x${i} ${i % 640}`,
      `circle x${i - 1 < 0 ? 0 : i - 1} ${i % 480} sqrt ${i % 50} false`,
      `if x${i - 2 < 0 ? 0 : i - 2} - ${i % 100}`,
      "{",
      `message "Größe ${i}: «ok»"`,
      "}",
      `x${i - 3 < 0 ? 0 : i - 3} = grow x${i - 4 < 0 ? 0 : i - 4} ${i % 7}`,
      i % 4 === 0 ? `cirlce ${i} 2 3 4` : `print 10 ${i % 480} "Punkte"`,
      i % 6 === 0 ? "draw_line 1 2" : `color merge_color red gold`,
    ][n];
    lines.push(line);
    size += line.length + 1;
  }
  return `${lines.join("\n")}\n`;
}

// The same messages for both servers: initialize, the document opened, then
// each change with its text.
function messages() {
  let text = mixedScript(BYTES);
  const list = [
    { jsonrpc: "2.0", id: 1, method: "initialize", params: { processId: null, rootUri: null, capabilities: {} } },
    { jsonrpc: "2.0", method: "initialized", params: {} },
    { jsonrpc: "2.0", method: "textDocument/didOpen",
      params: { textDocument: { uri: URI, languageId: "kelvo", version: 1, text } } },
  ];
  for (let version = 2; version < 2 + CHANGES; ++version) {
    text += `print 10 ${version} "typed ${version}"\n`;
    list.push({ jsonrpc: "2.0", method: "textDocument/didChange",
      params: { textDocument: { uri: URI, version }, contentChanges: [{ text }] } });
  }
  return list.map((m) => JSON.stringify(m));
}

const isDiagnostics = (body) => body.startsWith('{"jsonrpc":"2.0","method":"textDocument/publishDiagnostics"');

// The native server: framed messages written to its standard input, its
// standard output read as it comes.
async function nativeTimes(bodies) {
  const child = spawn(resolve(kelvo), ["--lsp"], { stdio: ["pipe", "pipe", "inherit"] });
  const framed = bodies.map((b) => Buffer.concat([Buffer.from(`Content-Length: ${Buffer.byteLength(b)}\r\n\r\n`), Buffer.from(b)]));
  let buffered = Buffer.alloc(0);
  let waiting;
  // Resolves with the next whole message body, as a Buffer.
  const nextBody = () => new Promise((done) => { waiting = done; take(); });
  function take() {
    if (!waiting) return;
    const end = buffered.indexOf("\r\n\r\n");
    if (end < 0) return;
    const length = Number(/Content-Length: (\d+)/i.exec(buffered.subarray(0, end).toString())[1]);
    if (buffered.length < end + 4 + length) return;
    const body = buffered.subarray(end + 4, end + 4 + length);
    buffered = buffered.subarray(end + 4 + length);
    const done = waiting;
    waiting = undefined;
    done(body);
  }
  child.stdout.on("data", (chunk) => { buffered = Buffer.concat([buffered, chunk]); take(); });
  const untilDiagnostics = async () => {
    for (;;) {
      const body = await nextBody();
      if (isDiagnostics(body.subarray(0, 80).toString())) return body.length;
    }
  };

  child.stdin.write(framed[0]);
  await nextBody();
  child.stdin.write(framed[1]);
  child.stdin.write(framed[2]);
  await untilDiagnostics();
  const times = [];
  let published = 0;
  for (const message of framed.slice(3)) {
    const start = process.hrtime.bigint();
    child.stdin.write(message);
    published = await untilDiagnostics();
    times.push(Number(process.hrtime.bigint() - start) / 1e6);
  }
  child.stdin.end();
  child.kill();
  return { times, published };
}

async function wasmTimes(bodies) {
  const { loadLanguageServer } = await import(pathToFileURL(join(resolve(wasmDir), "kelvo_lsp.js")));
  const wasmBinary = readFileSync(join(resolve(wasmDir), "kelvo_lsp_wasm.wasm"));
  const server = await loadLanguageServer({ wasmBinary, locateFile: (file) => file });
  for (const body of bodies.slice(0, 3)) server.handle(body);
  const times = [];
  let published = 0;
  for (const body of bodies.slice(3)) {
    const start = process.hrtime.bigint();
    const answers = server.handle(body);
    times.push(Number(process.hrtime.bigint() - start) / 1e6);
    const diagnostics = answers.find(isDiagnostics);
    if (!diagnostics) throw new Error("the WebAssembly server published no diagnostics after a change");
    published = Buffer.byteLength(diagnostics);
  }
  return { times, published };
}

function summary(times) {
  const counted = [...times].sort((a, b) => a - b);
  const median = counted[Math.floor(counted.length / 2)];
  return { median, slowest: counted[counted.length - 1], fastest: counted[0] };
}

// Rounds of each server in turn, so that a change in the machine's pace
// falls on both; the times of all rounds are pooled.
const ROUNDS = 3;
const bodies = messages();
const native = { times: [], published: 0 };
const wasm = { times: [], published: 0 };
for (let round = 0; round < ROUNDS; ++round) {
  for (const [pool, measure] of [[native, nativeTimes], [wasm, wasmTimes]]) {
    const { times, published } = await measure(bodies);
    pool.times.push(...times.slice(WARM_UP));
    pool.published = published;
  }
}
if (native.published !== wasm.published) {
  console.error(`the two servers published different diagnostics (${native.published} and ${wasm.published} bytes)`);
  process.exit(1);
}
const n = summary(native.times);
const w = summary(wasm.times);
const ms = (x) => `${x.toFixed(2)} ms`;
console.log(`document: ${Buffer.byteLength(JSON.parse(bodies[2]).params.textDocument.text)} bytes; ` +
  `${ROUNDS} rounds of ${CHANGES - WARM_UP} changes counted; diagnostics published: ${native.published} bytes`);
console.log(`native kelvo --lsp:   median ${ms(n.median)}, fastest ${ms(n.fastest)}, slowest ${ms(n.slowest)}`);
console.log(`WebAssembly (Node.js): median ${ms(w.median)}, fastest ${ms(w.fastest)}, slowest ${ms(w.slowest)}`);
console.log(`WebAssembly / native: ${(w.median / n.median).toFixed(2)}× at the median (within 2×: ${w.median <= 2 * n.median ? "yes" : "no"})`);
