'use strict';
// The extension's common part, on the desktop and in the browser alike: a
// client of the language server, started for kelvo documents and restarted
// when a setting changes, and the host view. The defines of the settings
// reach the server as initialization options, as --define and
// --define-string reach the command-line translator.
//
// How the client reaches its server is the entry's to say (node.js on the
// desktop, browser.js in VS Code for the web): the server built into the
// extension, in WebAssembly, or a `kelvo --lsp` that the settings name.

const vscode = require('vscode');
const { serverTransports } = require('./transports');

const SECTION = 'kelvo';
const MODULE_FILE = ['dist', 'kelvo_lsp_wasm.wasm'];

let client;
let launcher; // the entry's: { documentSelector, create(setup), describe(setup) }
let moduleBytes; // the server module's bytes, read once

// Names and their values as texts. A number becomes its decimal text; any
// other kind of value cannot be a define and is left out.
function definesFrom(value) {
  const defines = {};
  if (!value || typeof value !== 'object' || Array.isArray(value)) {
    return defines;
  }
  for (const [name, text] of Object.entries(value)) {
    if (typeof text === 'string') {
      defines[name] = text;
    } else if (typeof text === 'number' && Number.isFinite(text)) {
      defines[name] = String(text);
    }
  }
  return defines;
}

// What the client is made of, read from the current settings.
function clientSetup() {
  const settings = vscode.workspace.getConfiguration(SECTION);
  const clientOptions = {
    documentSelector: launcher.documentSelector,
    initializationOptions: {
      define: definesFrom(settings.get('define', {})),
      defineString: definesFrom(settings.get('defineString', {})),
    },
  };
  return { settings, clientOptions };
}

// The transports of a new server built into the extension: the module is
// read from the extension's own files (through the editor, so that it works
// in the browser too) and made anew for each start.
async function builtInServer(context, messageClasses) {
  const { loadLanguageServer } = await import('kelvo-lsp');
  if (!moduleBytes) {
    moduleBytes = await vscode.workspace.fs.readFile(vscode.Uri.joinPath(context.extensionUri, ...MODULE_FILE));
  }
  // The module is handed its bytes; with locateFile it does not work out
  // an address of its own for them either.
  const server = await loadLanguageServer({ wasmBinary: moduleBytes, locateFile: (file) => file });
  return serverTransports(server, messageClasses);
}

async function startClient() {
  const setup = clientSetup();
  try {
    const started = launcher.create(setup);
    client = started;
    await started.start();
  } catch (error) {
    const reason = error && error.message ? error.message : String(error);
    vscode.window.showErrorMessage(
      `Kelvo: cannot start the language server ${launcher.describe(setup)} (${reason}). ` +
        'Set kelvo.serverPath to the kelvo program.');
  }
}

async function stopClient() {
  const running = client;
  client = undefined;
  if (running) {
    try {
      await running.stop();
    } catch (error) {
      // A server that never started or already exited has nothing to stop.
    }
  }
}

async function restartClient() {
  await stopClient();
  await startClient();
}

// ---- The host view --------------------------------------------------------
//
// "Kelvo: Show the host script" opens the host text of a kelvo document
// beside it, read-only, from the language server's kelvo/hostText, and
// keeps it up to date. Moving the cursor on either side highlights the
// matching range on the other, found through the source map that comes with
// the text (columns in UTF-16 code units, as the editor counts them).

const HOST_SCHEME = 'kelvo-host';
const REFRESH_DELAY = 100; // milliseconds
const BASE64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';

// The "mappings" of a source map: per host line, its segments in order, each
// { column, line, originalColumn } (line and originalColumn null where
// nothing maps), all from 0.
function decodeMappings(mappings) {
  const lines = [];
  let line = 0;
  let originalColumn = 0;
  for (const text of mappings.split(';')) {
    const segments = [];
    let column = 0;
    for (const piece of text.split(',')) {
      if (piece === '') continue;
      const values = [];
      let value = 0;
      let shift = 0;
      for (const char of piece) {
        const digit = BASE64.indexOf(char);
        value += (digit & 31) << shift;
        shift += 5;
        if ((digit & 32) === 0) {
          values.push(value & 1 ? -(value >>> 1) : value >>> 1);
          value = 0;
          shift = 0;
        }
      }
      column += values[0];
      if (values.length >= 4) {
        line += values[2];
        originalColumn += values[3];
        segments.push({ column, line, originalColumn });
      } else {
        segments.push({ column, line: null, originalColumn: null });
      }
    }
    lines.push(segments);
  }
  return lines;
}

// The host ranges, as [line, start, end], that come from a source place;
// `wordEnd` is where the source word under the place ends.
function hostRangesFor(decoded, hostLines, place) {
  const ranges = [];
  decoded.forEach((segments, hostLine) => {
    segments.forEach((s, i) => {
      if (s.line !== place.line || s.originalColumn > place.character || s.originalColumn + place.length <= place.character) {
        return;
      }
      const end = i + 1 < segments.length ? segments[i + 1].column : (hostLines[hostLine] || '').length;
      if (end > s.column) ranges.push([hostLine, s.column, end]);
    });
  });
  return ranges;
}

// The segment that holds a host place, or undefined.
function segmentAt(decoded, line, character) {
  let found;
  for (const s of decoded[line] || []) {
    if (s.column <= character) found = s;
  }
  return found && found.line !== null ? found : undefined;
}

// The source word that begins at a column: a string up to its closing quote,
// anything else up to a blank.
function wordLength(text, column) {
  if (text[column] === '"') {
    const close = text.indexOf('"', column + 1);
    return (close < 0 ? text.length : close + 1) - column;
  }
  const rest = text.slice(column).search(/\s/);
  return Math.max(1, rest < 0 ? text.length - column : rest);
}

class HostView {
  constructor() {
    this.views = new Map(); // source uri -> { text, decoded }
    this.timers = new Map();
    this.changed = new vscode.EventEmitter();
    this.onDidChange = this.changed.event;
    this.highlight = vscode.window.createTextEditorDecorationType({
      backgroundColor: new vscode.ThemeColor('editor.wordHighlightStrongBackground'),
    });
  }

  static hostUri(sourceUri) {
    return vscode.Uri.parse(`${HOST_SCHEME}:${sourceUri.path}.host?${encodeURIComponent(sourceUri.toString())}`);
  }

  static sourceOf(hostUri) {
    return decodeURIComponent(hostUri.query);
  }

  provideTextDocumentContent(uri) {
    const view = this.views.get(HostView.sourceOf(uri));
    return view ? view.text : '';
  }

  async refresh(sourceUri) {
    if (!client) return;
    const answer = await client.sendRequest('kelvo/hostText', { textDocument: { uri: sourceUri.toString() } });
    this.views.set(sourceUri.toString(), { text: answer.text, decoded: decodeMappings(answer.map.mappings) });
    this.changed.fire(HostView.hostUri(sourceUri));
  }

  async show() {
    const editor = vscode.window.activeTextEditor;
    if (!editor || editor.document.languageId !== 'kelvo') {
      vscode.window.showErrorMessage('Kelvo: the host script needs a kelvo document in the active editor.');
      return undefined;
    }
    await this.refresh(editor.document.uri);
    const document = await vscode.workspace.openTextDocument(HostView.hostUri(editor.document.uri));
    return vscode.window.showTextDocument(document, {
      viewColumn: vscode.ViewColumn.Beside, preserveFocus: true, preview: false,
    });
  }

  // After a pause in typing, once the language client has sent the change.
  documentChanged(event) {
    const key = event.document.uri.toString();
    if (!this.views.has(key)) return undefined;
    clearTimeout(this.timers.get(key));
    return new Promise((resolve) => {
      this.timers.set(key, setTimeout(() => resolve(this.refresh(event.document.uri).catch(() => undefined)), REFRESH_DELAY));
    });
  }

  // The cursor moved: the other side shows where it comes from or what it became.
  selectionChanged(event) {
    const { document } = event.textEditor;
    const position = event.selections[0].active;
    if (document.uri.scheme === HOST_SCHEME) {
      const source = HostView.sourceOf(document.uri);
      const view = this.views.get(source);
      const segment = view && segmentAt(view.decoded, position.line, position.character);
      for (const editor of vscode.window.visibleTextEditors) {
        if (editor.document.uri.toString() !== source) continue;
        if (!segment) {
          editor.setDecorations(this.highlight, []);
          continue;
        }
        const text = editor.document.lineAt(segment.line).text;
        const end = segment.originalColumn + wordLength(text, segment.originalColumn);
        editor.setDecorations(this.highlight, [new vscode.Range(segment.line, segment.originalColumn, segment.line, end)]);
      }
      return;
    }
    const view = this.views.get(document.uri.toString());
    if (!view) return;
    const text = document.lineAt(position.line).text;
    // The word under the cursor: the segments that begin at its start.
    let start = position.character;
    while (start > 0 && !/\s/.test(text[start - 1])) start -= 1;
    const place = { line: position.line, character: start, length: wordLength(text, start) };
    const hostLines = view.text.split('\n');
    const ranges = hostRangesFor(view.decoded, hostLines, place).map(([l, s, e]) => new vscode.Range(l, s, l, e));
    const hostUri = HostView.hostUri(document.uri).toString();
    for (const editor of vscode.window.visibleTextEditors) {
      if (editor.document.uri.toString() === hostUri) editor.setDecorations(this.highlight, ranges);
    }
  }
}

// `entry` says how a client is made: see `launcher` above.
async function activate(context, entry) {
  launcher = entry;
  const hostView = new HostView();
  context.subscriptions.push(
    vscode.workspace.registerTextDocumentContentProvider(HOST_SCHEME, hostView),
    vscode.commands.registerCommand('kelvo.showHostScript', () => hostView.show()),
    vscode.workspace.onDidChangeTextDocument((event) => hostView.documentChanged(event)),
    vscode.window.onDidChangeTextEditorSelection((event) => hostView.selectionChanged(event)));
  context.subscriptions.push(
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration(SECTION)) {
        return restartClient();
      }
      return undefined;
    }),
    vscode.commands.registerCommand('kelvo.restartServer', restartClient));
  await startClient();
}

function deactivate() {
  return stopClient();
}

module.exports = { activate, deactivate, builtInServer, definesFrom, decodeMappings, hostRangesFor, segmentAt };
