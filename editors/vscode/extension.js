'use strict';
// Runs `kelvo --lsp` as the language server of kelvo documents. The server
// speaks over its standard input and output; the defines of the settings
// reach it as initialization options, as --define and --define-string
// reach the command-line translator.

const path = require('path');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

const SECTION = 'kelvo';
const DEFAULT_SERVER = 'kelvo';

let client;

// The program to start. A bare name is looked up on PATH; a relative path
// with a directory in it counts from the first workspace folder.
function serverCommand(configured, workspaceFolder) {
  const command = typeof configured === 'string' ? configured.trim() : '';
  if (command === '') {
    return DEFAULT_SERVER;
  }
  const hasDirectory = command.includes('/') || command.includes('\\');
  if (!hasDirectory || path.isAbsolute(command) || !workspaceFolder) {
    return command;
  }
  return path.resolve(workspaceFolder, command);
}

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

function firstWorkspaceFolder() {
  const folders = vscode.workspace.workspaceFolders;
  return folders && folders.length > 0 ? folders[0].uri.fsPath : undefined;
}

// What the client is made of, read from the current settings.
function clientSetup() {
  const settings = vscode.workspace.getConfiguration(SECTION);
  const command = serverCommand(settings.get('serverPath', DEFAULT_SERVER), firstWorkspaceFolder());
  // No transport is named: the client then talks over the child's standard
  // streams without adding a --stdio argument of its own.
  const serverOptions = { command, args: ['--lsp'] };
  const clientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'kelvo' },
      { scheme: 'untitled', language: 'kelvo' },
    ],
    initializationOptions: {
      define: definesFrom(settings.get('define', {})),
      defineString: definesFrom(settings.get('defineString', {})),
    },
  };
  return { command, serverOptions, clientOptions };
}

async function startClient() {
  const setup = clientSetup();
  const started = new LanguageClient('kelvo', 'Kelvo language server', setup.serverOptions, setup.clientOptions);
  client = started;
  try {
    await started.start();
  } catch (error) {
    const reason = error && error.message ? error.message : String(error);
    vscode.window.showErrorMessage(
      `Kelvo: cannot start the language server "${setup.command} --lsp" (${reason}). ` +
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

async function activate(context) {
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

module.exports = { activate, deactivate, serverCommand, definesFrom, hostRangesFor, sourceRangeAt };
