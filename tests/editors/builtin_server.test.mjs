// The language server built into the extension, as the extension runs it:
// the WebAssembly module behind the extension's transports, spoken to
// through the message connection of the language client's own protocol
// library, as the client in the editor speaks. What it answers is the native server's
// (lsp_server_test.cpp tests that at length); here, that the answers get
// through whole, positions beyond ASCII included, and that the server ends
// as a program does.
//
// Environment: KELVO_WASM_DIR (kelvo_lsp.js and its module),
// KELVO_EXTENSION_MODULES (the extension's packages, npm ci).
import test from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const env = (name) => {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set`);
  return value;
};
const require = createRequire(import.meta.url);
const { serverTransports } = require("../../editors/vscode/transports.js");
// The protocol layer of the language client, whose reader and writer
// classes the client passes to the transports (the client itself needs the
// editor).
const rpc = createRequire(join(env("KELVO_EXTENSION_MODULES"), "noop.js"))("vscode-jsonrpc/node");
const { loadLanguageServer } = await import(pathToFileURL(join(env("KELVO_WASM_DIR"), "kelvo_lsp.js")));
const wasmBinary = readFileSync(join(env("KELVO_WASM_DIR"), "kelvo_lsp_wasm.wasm"));

async function connected() {
  const server = await loadLanguageServer({ wasmBinary, locateFile: (file) => file });
  const { reader, writer } = serverTransports(server, rpc);
  const connection = rpc.createMessageConnection(reader, writer);
  const published = [];
  let closed = false;
  connection.onNotification("textDocument/publishDiagnostics", (params) => published.push(params));
  connection.onClose(() => { closed = true; });
  connection.listen();
  return { server, connection, published, isClosed: () => closed };
}

const URI = "file:///game/größe.kelvo";
// "größe" is 5 UTF-16 units and 7 UTF-8 bytes; 😀 is 2 units and 4 bytes.
const TEXT = 'var größe 10\nmessage "😀" größe\ncirlce 1 2 3 4\n';

async function until(condition) {
  for (let i = 0; i < 100 && !condition(); ++i) await new Promise((done) => setTimeout(done, 10));
  assert.ok(condition());
}

test("a session through the client's own connection", async () => {
  const { server, connection, published, isClosed } = await connected();
  const initialized = await connection.sendRequest("initialize", {
    processId: null, rootUri: null, capabilities: {}, initializationOptions: { define: { speed: "2.5" } },
  });
  assert.equal(initialized.serverInfo.name, "kelvo");
  assert.equal(initialized.capabilities.positionEncoding ?? "utf-16", "utf-16");
  await connection.sendNotification("initialized", {});
  await connection.sendNotification("textDocument/didOpen", {
    textDocument: { uri: URI, languageId: "kelvo", version: 1, text: TEXT },
  });
  await until(() => published.length === 1);
  const [{ uri, diagnostics }] = published;
  assert.equal(uri, URI);
  const places = diagnostics.map((d) => [d.message, d.range.start.line, d.range.start.character, d.range.end.character]);
  // The word left over after "😀": `message "` is 9 units, the emoji 2,
  // `" ` 2 more, so it starts at unit 13 (byte 15) and is 5 long (7 bytes).
  assert.deepEqual(places.filter(([, line]) => line === 1),
    [["'größe' and the rest of the line are not translated: a line holds one term", 1, 13, 18]]);
  assert.ok(places.some(([message, line, start, end]) => message === "Unknown variable: cirlce" && line === 2 && start === 0 && end === 6));

  const hover = await connection.sendRequest("textDocument/hover", {
    textDocument: { uri: URI }, position: { line: 0, character: 6 },
  });
  assert.match(hover.contents.value, /größe/);
  const host = await connection.sendRequest("kelvo/hostText", { textDocument: { uri: URI } });
  assert.equal(host.text.split("\n")[0], "größe = 10");
  assert.equal(host.map.version, 3);

  // A change: the whole text again, diagnostics for it.
  await connection.sendNotification("textDocument/didChange", {
    textDocument: { uri: URI, version: 2 }, contentChanges: [{ text: "circle 1 2 3 4\n" }],
  });
  await until(() => published.length === 2);
  assert.deepEqual(published[1].diagnostics, []);

  // An unknown method is an error answer, and the session goes on.
  await assert.rejects(connection.sendRequest("kelvo/nothing", {}), (error) => error.code === -32601);

  await connection.sendRequest("shutdown");
  await connection.sendNotification("exit");
  await until(isClosed);
  assert.equal(server.exitStatus, 0);
  connection.dispose();
});

test("exit without shutdown ends the server as a failed program", async () => {
  const { server, connection, isClosed } = await connected();
  await connection.sendRequest("initialize", { processId: null, rootUri: null, capabilities: {} });
  await connection.sendNotification("exit");
  await until(isClosed);
  assert.equal(server.exitStatus, 1);
  connection.dispose();
});
