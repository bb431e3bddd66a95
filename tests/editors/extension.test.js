'use strict';
// The editor extension: its manifest, and how it starts the language server.
// The editor and the language client library are stood in for by fakes that
// record what the extension asks of them.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const Module = require('module');
const { execFileSync } = require('child_process');

const ROOT = path.resolve(__dirname, '..', '..');
const EXTENSION_DIR = path.join(ROOT, 'editors', 'vscode');
const readJson = (file) => JSON.parse(fs.readFileSync(file, 'utf8'));

// A URI as the editor API gives it: scheme, path, query and its text.
function fakeUri(text) {
  const url = new URL(text);
  return { scheme: url.protocol.slice(0, -1), path: url.pathname, query: url.search.slice(1), toString: () => text };
}

// A stand-in for the editor API, with the settings given as "kelvo.KEY".
function fakeEditor(settings, folders) {
  const editor = {
    configurationListeners: [],
    registered: new Map(),
    errors: [],
    workspace: {
      workspaceFolders: folders.map((folder) => ({ uri: { fsPath: folder } })),
      getConfiguration(section) {
        return {
          get: (key, fallback) => {
            const name = `${section}.${key}`;
            return Object.prototype.hasOwnProperty.call(editor.settings, name) ? editor.settings[name] : fallback;
          },
        };
      },
      onDidChangeConfiguration(listener) {
        editor.configurationListeners.push(listener);
        return { dispose() {} };
      },
      registerTextDocumentContentProvider(scheme, provider) {
        editor.providers.set(scheme, provider);
        return { dispose() {} };
      },
      openTextDocument(uri) {
        editor.opened.push(uri);
        return Promise.resolve({ uri });
      },
      onDidChangeTextDocument(listener) {
        editor.changeListeners.push(listener);
        return { dispose() {} };
      },
    },
    Uri: { parse: (text) => fakeUri(text) },
    Range: class {
      constructor(startLine, startCharacter, endLine, endCharacter) {
        Object.assign(this, { startLine, startCharacter, endLine, endCharacter });
      }
    },
    ThemeColor: class {
      constructor(id) {
        this.id = id;
      }
    },
    ViewColumn: { Beside: -2 },
    EventEmitter: class {
      constructor() {
        this.listeners = [];
        this.event = (listener) => this.listeners.push(listener);
      }
      fire(value) {
        this.listeners.forEach((listener) => listener(value));
      }
    },
    commands: {
      registerCommand(name, callback) {
        editor.registered.set(name, callback);
        return { dispose() {} };
      },
    },
    window: {
      showErrorMessage(message) {
        editor.errors.push(message);
        return Promise.resolve(undefined);
      },
      activeTextEditor: undefined,
      visibleTextEditors: [],
      createTextEditorDecorationType: (options) => ({ options }),
      showTextDocument(document, options) {
        editor.shown.push({ document, options });
        return Promise.resolve({ document });
      },
      onDidChangeTextEditorSelection(listener) {
        editor.selectionListeners.push(listener);
        return { dispose() {} };
      },
    },
    providers: new Map(),
    opened: [],
    shown: [],
    changeListeners: [],
    selectionListeners: [],
    settings,
  };
  return editor;
}

// A stand-in for the language client library: every client made, with what
// it was made of and whether it was started and stopped.
function fakeClientLibrary(startError) {
  const library = { clients: [], requests: [], answer: undefined };
  library.LanguageClient = class {
    constructor(id, name, serverOptions, clientOptions) {
      Object.assign(this, { id, name, serverOptions, clientOptions, started: false, stopped: false });
      library.clients.push(this);
    }
    sendRequest(method, params) {
      library.requests.push({ method, params });
      return Promise.resolve(library.answer);
    }
    start() {
      this.started = true;
      return startError ? Promise.reject(startError) : Promise.resolve();
    }
    stop() {
      this.stopped = true;
      return Promise.resolve();
    }
  };
  return library;
}

function loadExtension(editor, library) {
  const file = path.join(EXTENSION_DIR, 'extension.js');
  const originalLoad = Module._load;
  Module._load = function load(request, ...rest) {
    if (request === 'vscode') return editor;
    if (request === 'vscode-languageclient/node') return library;
    return originalLoad.call(this, request, ...rest);
  };
  try {
    delete require.cache[require.resolve(file)];
    return require(file);
  } finally {
    Module._load = originalLoad;
  }
}

async function activated(settings, { folders = [], startError } = {}) {
  const editor = fakeEditor(settings, folders);
  const library = fakeClientLibrary(startError);
  const extension = loadExtension(editor, library);
  const context = { subscriptions: [] };
  await extension.activate(context);
  return { editor, library, extension, context };
}

test.describe('starting the language server', () => {
  test('with no settings: kelvo --lsp over the standard streams, for kelvo documents', async () => {
    const { library, context } = await activated({});
    assert.equal(library.clients.length, 1);
    const client = library.clients[0];
    assert.equal(client.id, 'kelvo');
    assert.ok(client.started);
    // No transport: a named stdio transport would add --stdio to the arguments.
    assert.deepEqual(client.serverOptions, { command: 'kelvo', args: ['--lsp'] });
    assert.deepEqual(client.clientOptions.documentSelector, [
      { scheme: 'file', language: 'kelvo' },
      { scheme: 'untitled', language: 'kelvo' },
    ]);
    assert.deepEqual(client.clientOptions.initializationOptions, { define: {}, defineString: {} });
    assert.equal(context.subscriptions.length, 6);
  });

  test('the server path and the defines of the settings', async () => {
    const { library } = await activated({
      'kelvo.serverPath': '/opt/kelvo/bin/kelvo',
      'kelvo.define': { speed: '2.5', lives: 3, bad: true, none: null },
      'kelvo.defineString': { player: 'Ann', empty: '' },
    });
    const client = library.clients[0];
    assert.deepEqual(client.serverOptions, { command: '/opt/kelvo/bin/kelvo', args: ['--lsp'] });
    assert.deepEqual(client.clientOptions.initializationOptions, {
      define: { speed: '2.5', lives: '3' },
      defineString: { player: 'Ann', empty: '' },
    });
  });

  test('a changed setting restarts the server with it; other settings do not', async () => {
    const { editor, library } = await activated({ 'kelvo.define': { a: '1' } });
    const [listener] = editor.configurationListeners;
    await listener({ affectsConfiguration: (section) => section === 'editor' });
    assert.equal(library.clients.length, 1);
    editor.settings['kelvo.define'] = { a: '2' };
    await listener({ affectsConfiguration: (section) => section === 'kelvo' });
    assert.equal(library.clients.length, 2);
    assert.ok(library.clients[0].stopped);
    assert.ok(library.clients[1].started && !library.clients[1].stopped);
    assert.deepEqual(library.clients[1].clientOptions.initializationOptions.define, { a: '2' });
  });

  test('the restart command and deactivation', async () => {
    const { editor, library, extension } = await activated({});
    await editor.registered.get('kelvo.restartServer')();
    assert.equal(library.clients.length, 2);
    assert.ok(library.clients[0].stopped);
    await extension.deactivate();
    assert.ok(library.clients[1].stopped);
  });

  test('a server that cannot start is reported with the setting to change', async () => {
    const { editor } = await activated({ 'kelvo.serverPath': 'nope' }, { startError: new Error('spawn nope ENOENT') });
    assert.equal(editor.errors.length, 1);
    assert.match(editor.errors[0], /"nope --lsp"/);
    assert.match(editor.errors[0], /spawn nope ENOENT/);
    assert.match(editor.errors[0], /kelvo\.serverPath/);
  });
});

test.describe('the server path and the defines', () => {
  const { serverCommand, definesFrom } = loadExtension(fakeEditor({}, []), fakeClientLibrary());
  const root = path.resolve('/work/game');
  const cases = [
    [undefined, root, 'kelvo'],
    ['', root, 'kelvo'],
    ['  ', root, 'kelvo'],
    ['kelvo', root, 'kelvo'],
    ['kelvo-dev', root, 'kelvo-dev'],
    ['build/kelvo', root, path.join(root, 'build', 'kelvo')],
    ['./kelvo', root, path.join(root, 'kelvo')],
    ['build/kelvo', undefined, 'build/kelvo'],
    [path.resolve('/usr/local/bin/kelvo'), root, path.resolve('/usr/local/bin/kelvo')],
  ];
  for (const [configured, folder, expected] of cases) {
    test(`serverPath ${JSON.stringify(configured)} in ${folder} starts ${expected}`, () => {
      assert.equal(serverCommand(configured, folder), expected);
    });
  }

  test('defines keep texts, write numbers as text, drop the rest', () => {
    assert.deepEqual(definesFrom({ a: 'x y', b: 0, c: -1.5, d: Infinity, e: [], f: {}, g: false }), { a: 'x y', b: '0', c: '-1.5' });
    assert.deepEqual(definesFrom(undefined), {});
    assert.deepEqual(definesFrom(['a']), {});
    assert.deepEqual(definesFrom('a=1'), {});
  });
});

test.describe('the extension manifest', () => {
  const manifest = readJson(path.join(EXTENSION_DIR, 'package.json'));

  test('a kelvo language for .kelvo files, started on its documents', () => {
    assert.equal(manifest.main, './extension.js');
    assert.ok(fs.existsSync(path.join(EXTENSION_DIR, manifest.main)));
    assert.deepEqual(manifest.activationEvents, ['onLanguage:kelvo']);
    const [language] = manifest.contributes.languages;
    assert.equal(language.id, 'kelvo');
    assert.ok(language.extensions.includes('.kelvo'));
    assert.match(manifest.engines.vscode, /^\^1\.\d+\.\d+$/);
    assert.ok(manifest.publisher);
  });

  test('the language configuration: // comments, quotes closed, no brace closed', () => {
    const [language] = manifest.contributes.languages;
    const configuration = readJson(path.join(EXTENSION_DIR, language.configuration));
    assert.equal(configuration.comments.lineComment, '//');
    assert.deepEqual(configuration.autoClosingPairs.map((p) => p.open), ['"']);
    // A word is everything up to a blank, a ; or a quote.
    const words = 'x=5 (1+2);if "Bounces:"'.match(new RegExp(configuration.wordPattern, 'g'));
    assert.deepEqual(words, ['x=5', '(1+2)', 'if', 'Bounces:']);
  });

  test('the settings: kelvo.serverPath defaults to kelvo, the defines are objects', () => {
    const { properties } = manifest.contributes.configuration;
    assert.equal(properties['kelvo.serverPath'].type, 'string');
    assert.equal(properties['kelvo.serverPath'].default, 'kelvo');
    assert.equal(properties['kelvo.define'].type, 'object');
    assert.equal(properties['kelvo.defineString'].type, 'object');
    assert.ok(manifest.contributes.commands.some((c) => c.command === 'kelvo.restartServer'));
  });

  test('the grammar it names is the shared grammar, copied in by npm install', () => {
    const [grammar] = manifest.contributes.grammars;
    const shared = path.join(ROOT, 'editors', 'kelvo.tmLanguage.json');
    assert.equal(grammar.language, 'kelvo');
    assert.equal(grammar.scopeName, readJson(shared).scopeName);
    assert.match(manifest.scripts.prepare, /copy-grammar\.js/);
    assert.match(manifest.scripts['vscode:prepublish'], /copy-grammar\.js/);
    const target = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvo-extension-'));
    try {
      const copyTo = path.join(target, path.dirname(grammar.path));
      execFileSync(process.execPath, [path.join(EXTENSION_DIR, 'copy-grammar.js'), copyTo]);
      assert.deepEqual(fs.readFileSync(path.join(target, grammar.path)), fs.readFileSync(shared));
    } finally {
      fs.rmSync(target, { recursive: true, force: true });
    }
  });

  test('the language client is pinned, in the manifest and its lock', () => {
    const lock = readJson(path.join(EXTENSION_DIR, 'package-lock.json'));
    const pinned = manifest.dependencies['vscode-languageclient'];
    assert.match(pinned, /^\d+\.\d+\.\d+$/);
    assert.equal(lock.packages['node_modules/vscode-languageclient'].version, pinned);
  });
});

// The host view, against the editor and client stand-ins. The links are the
// ones kelvo sends for this source: each piece of host text and the source
// word it came from, as its source map tells it (tests/source_maps/constructs.txt,
// first case).
test.describe('the host view', () => {
  const source = [
    'function add 2 a b', 'var r 0', 'r = a', 'return r', 'end', 'var t 0', 't = add 3 4', 'message t', '',
  ];
  const host = "add='a=argument0\nb=argument1\nr = 0\nr=a\nreturn(r)\n'\n\nt = 0\nt=execute_string(add,3,4)\nshow_message(t)\n";
  const range = (line, start, end) => ({ start: { line, character: start }, end: { line, character: end } });
  // [host line, start, end], [source line, start, end] or null
  const link = (line, start, end, from) => ({ host: range(line, start, end), source: from && range(...from) });
  const links = [
    link(0, 0, 5, [0, 9, 12]),
    link(0, 5, 16, [0, 15, 16]),
    link(1, 0, 11, [0, 17, 18]),
    link(2, 0, 4, [1, 0, 3]),
    link(2, 4, 5, [1, 6, 7]),
    link(3, 0, 2, [2, 0, 1]),
    link(3, 2, 3, [2, 4, 5]),
    link(4, 0, 7, [3, 0, 6]),
    link(4, 7, 8, [3, 7, 8]),
    link(4, 8, 9, [3, 0, 6]),
    link(5, 0, 1, null),
    link(6, 0, 0, [0, 0, 8]),
    link(7, 0, 4, [5, 0, 3]),
    link(7, 4, 5, [5, 6, 7]),
    link(8, 0, 2, [6, 0, 1]),
    link(8, 2, 21, [6, 4, 7]),
    link(8, 21, 22, [6, 8, 9]),
    link(8, 22, 23, [6, 4, 7]),
    link(8, 23, 24, [6, 10, 11]),
    link(8, 24, 25, [6, 4, 7]),
    link(9, 0, 13, [7, 0, 7]),
    link(9, 13, 14, [7, 8, 9]),
    link(9, 14, 15, [7, 0, 7]),
  ];
  const sourceUri = fakeUri('file:///work/add.kelvo');
  const sourceDocument = { uri: sourceUri, languageId: 'kelvo', lineAt: (line) => ({ text: source[line] }) };

  async function withHostView() {
    const setup = await activated({});
    setup.library.answer = { uri: sourceUri.toString(), text: host, map: { version: 3, mappings: '' }, links };
    setup.editor.window.activeTextEditor = { document: sourceDocument };
    await setup.editor.registered.get('kelvo.showHostScript')();
    return setup;
  }

  test('the links found both ways: the word under a place, the piece that holds one', () => {
    const { hostRangesFor, sourceRangeAt } = loadExtension(fakeEditor({}, []), fakeClientLibrary());
    // At the word's end the place is still on it; a blank before it is not.
    assert.deepEqual(hostRangesFor(links, 6, 7), [range(8, 2, 21), range(8, 22, 23), range(8, 24, 25)]);
    assert.deepEqual(hostRangesFor(links, 6, 3), []);
    // Past the last piece of a line, the last one holds the place.
    assert.deepEqual(sourceRangeAt(links, 9, 40), range(7, 0, 7));
    assert.equal(sourceRangeAt(links, 5, 0), undefined);
  });

  test('the command opens the host text beside the source, read-only', async () => {
    const { editor, library } = await withHostView();
    assert.deepEqual(library.requests, [{ method: 'kelvo/hostText', params: { textDocument: { uri: 'file:///work/add.kelvo' } } }]);
    assert.equal(editor.opened.length, 1);
    const hostUri = editor.opened[0];
    assert.equal(hostUri.scheme, 'kelvo-host');
    assert.equal(hostUri.path, '/work/add.kelvo.host');
    assert.equal(decodeURIComponent(hostUri.query), 'file:///work/add.kelvo');
    assert.deepEqual(editor.shown[0].options, { viewColumn: -2, preserveFocus: true, preview: false });
    assert.equal(editor.providers.get('kelvo-host').provideTextDocumentContent(hostUri), host);
  });

  test('a change of the source updates the host text; other documents do not', async () => {
    const { editor, library } = await withHostView();
    const provider = editor.providers.get('kelvo-host');
    const fired = [];
    provider.onDidChange((uri) => fired.push(uri.toString()));
    library.answer = { uri: sourceUri.toString(), text: 'show_message(2)\n', map: { version: 3, mappings: 'AAAAA' }, links: [] };
    const [changed] = editor.changeListeners;
    assert.equal(changed({ document: { uri: fakeUri('file:///work/other.kelvo') } }), undefined);
    await changed({ document: sourceDocument });
    assert.equal(library.requests.length, 2);
    assert.equal(fired.length, 1);
    assert.equal(provider.provideTextDocumentContent(editor.opened[0]), 'show_message(2)\n');
  });

  test('the cursor on a keyword highlights the host text it became', async () => {
    const { editor } = await withHostView();
    const hostEditor = { document: { uri: editor.opened[0] }, setDecorations(type, ranges) { this.ranges = ranges; } };
    editor.window.visibleTextEditors = [hostEditor];
    const [moved] = editor.selectionListeners;
    // `add` of `t = add 3 4`, the cursor in its middle: execute_string(add and its commas.
    moved({ textEditor: { document: sourceDocument }, selections: [{ active: { line: 6, character: 5 } }] });
    assert.deepEqual(hostEditor.ranges.map((r) => [r.startLine, r.startCharacter, r.endLine, r.endCharacter]), [
      [8, 2, 8, 21], [8, 22, 8, 23], [8, 24, 8, 25],
    ]);
    // A parameter name on the function line: its prologue line.
    moved({ textEditor: { document: sourceDocument }, selections: [{ active: { line: 0, character: 17 } }] });
    assert.deepEqual(hostEditor.ranges.map((r) => [r.startLine, r.startCharacter, r.endLine, r.endCharacter]), [
      [1, 0, 1, 11],
    ]);
  });

  test('the cursor in the host text highlights the source word it came from', async () => {
    const { editor } = await withHostView();
    const sourceEditor = { document: sourceDocument, setDecorations(type, ranges) { this.ranges = ranges; } };
    editor.window.visibleTextEditors = [sourceEditor];
    const [moved] = editor.selectionListeners;
    const hostDocument = { uri: editor.opened[0] };
    moved({ textEditor: { document: hostDocument }, selections: [{ active: { line: 8, character: 10 } }] });
    assert.deepEqual(sourceEditor.ranges.map((r) => [r.startLine, r.startCharacter, r.endLine, r.endCharacter]), [
      [6, 4, 6, 7],
    ]);
    // The closing quote of a body comes from no source line.
    moved({ textEditor: { document: hostDocument }, selections: [{ active: { line: 5, character: 0 } }] });
    assert.deepEqual(sourceEditor.ranges, []);
  });

  test('without a kelvo document in the active editor, the command says so', async () => {
    const { editor, library } = await activated({});
    await editor.registered.get('kelvo.showHostScript')();
    assert.equal(library.requests.length, 0);
    assert.match(editor.errors[0], /kelvo document/);
  });

  test('the manifest names the command', () => {
    const manifest = readJson(path.join(EXTENSION_DIR, 'package.json'));
    const command = manifest.contributes.commands.find((c) => c.command === 'kelvo.showHostScript');
    assert.equal(command.title, 'Kelvo: Show the host script');
  });
});
