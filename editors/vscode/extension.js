'use strict';
// The extension's common part, on the desktop and in the browser alike: a
// client of the language server, started for kelvo documents and restarted
// when a setting changes, and the host view. The defines of the settings
// reach the server as initialization options, as --define and
// --define-string reach the command-line translator, and so do the choice of
// each warning (kelvo.warnings, as -Wno-CODE and -Werror=CODE) and the pages
// that explain each code (messages.md, packed with the extension).
//
// How the client reaches its server is the entry's to say (node.js on the
// desktop, browser.js in VS Code for the web): the server built into the
// extension, in WebAssembly, or a `kelvo --lsp` that the settings name.

const vscode = require('vscode');
const { serverTransports } = require('./transports');
const { RunView, afterPause } = require('./run_view');

const SECTION = 'kelvo';
const MODULE_FILE = ['dist', 'kelvo_lsp_wasm.wasm'];

let client;
let launcher; // the entry's: { documentSelector, create(setup), describe(setup) }
let moduleBytes; // the server module's bytes, read once
let explanations; // the URI of messages.md in the extension: the pages the diagnostics link to

const WARNING_LEVELS = ['off', 'on', 'error'];

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

// The choice of each warning: codes (or "*" for every warning) and "off",
// "on" or "error"; any other entry is left out.
function warningsFrom(value) {
  const warnings = {};
  if (!value || typeof value !== 'object' || Array.isArray(value)) {
    return warnings;
  }
  for (const [code, level] of Object.entries(value)) {
    if (WARNING_LEVELS.includes(level)) {
      warnings[code] = level;
    }
  }
  return warnings;
}

// What the client is made of, read from the current settings.
function clientSetup() {
  const settings = vscode.workspace.getConfiguration(SECTION);
  const clientOptions = {
    documentSelector: launcher.documentSelector,
    initializationOptions: {
      define: definesFrom(settings.get('define', {})),
      defineString: definesFrom(settings.get('defineString', {})),
      warnings: warningsFrom(settings.get('warnings', {})),
    },
  };
  if (explanations) {
    clientOptions.initializationOptions.explanations = explanations;
  }
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
// The links of a host view, as the server sends them: [{ host, source }],
// each piece of host text (never across a line end) with the range of the
// source word it came from, or null.
const contains = (range, line, character, endToo) =>
  range.start.line === line && range.start.character <= character &&
  (character < range.end.character || (endToo && character === range.end.character));

// The host ranges that come from the source word under a place (the place
// at a word's end still counts as on it).
function hostRangesFor(links, line, character) {
  return links.filter((l) => l.source && contains(l.source, line, character, true)).map((l) => l.host);
}

// The source word that the host text at a place came from, or undefined:
// the piece that holds the place, or the last one before it on its line.
function sourceRangeAt(links, line, character) {
  let found;
  for (const l of links) {
    if (l.host.start.line === line && l.host.start.character <= character) found = l;
  }
  return found && found.source ? found.source : undefined;
}

const rangeOf = (r) => new vscode.Range(r.start.line, r.start.character, r.end.line, r.end.character);

class HostView {
  constructor() {
    this.views = new Map(); // source uri -> { text, links }
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
    this.views.set(sourceUri.toString(), { text: answer.text, links: answer.links || [] });
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
    return afterPause(this.timers, key, REFRESH_DELAY, () => this.refresh(event.document.uri));
  }

  // The cursor moved: the other side shows where it comes from or what it became.
  selectionChanged(event) {
    const { document } = event.textEditor;
    const position = event.selections[0].active;
    if (document.uri.scheme === HOST_SCHEME) {
      const source = HostView.sourceOf(document.uri);
      const view = this.views.get(source);
      const range = view && sourceRangeAt(view.links, position.line, position.character);
      for (const editor of vscode.window.visibleTextEditors) {
        if (editor.document.uri.toString() === source) editor.setDecorations(this.highlight, range ? [rangeOf(range)] : []);
      }
      return;
    }
    const view = this.views.get(document.uri.toString());
    if (!view) return;
    const ranges = hostRangesFor(view.links, position.line, position.character).map(rangeOf);
    const hostUri = HostView.hostUri(document.uri).toString();
    for (const editor of vscode.window.visibleTextEditors) {
      if (editor.document.uri.toString() === hostUri) editor.setDecorations(this.highlight, ranges);
    }
  }
}

// `entry` says how a client is made: see `launcher` above.
async function activate(context, entry) {
  launcher = entry;
  explanations = context.extensionUri ? vscode.Uri.joinPath(context.extensionUri, 'messages.md').toString() : undefined;
  const hostView = new HostView();
  context.subscriptions.push(
    vscode.workspace.registerTextDocumentContentProvider(HOST_SCHEME, hostView),
    vscode.commands.registerCommand('kelvo.showHostScript', () => hostView.show()),
    vscode.workspace.onDidChangeTextDocument((event) => hostView.documentChanged(event)),
    vscode.window.onDidChangeTextEditorSelection((event) => hostView.selectionChanged(event)));
  const runView = new RunView(() => client);
  context.subscriptions.push(
    vscode.commands.registerCommand('kelvo.showRun', () => runView.show()),
    vscode.workspace.onDidChangeTextDocument((event) => runView.documentChanged(event)));
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

module.exports = { activate, deactivate, builtInServer, definesFrom, warningsFrom, hostRangesFor, sourceRangeAt };
