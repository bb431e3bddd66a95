'use strict';
// The editor extension: its manifest, how its two entries start the language
// server, the transports of the server built in, and the host view. The
// editor and the language client library are stood in for by fakes that
// record what the extension asks of them (code_server.test.mjs runs the
// packaged extension in a real editor).

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const Module = require('module');

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
    Uri: {
      parse: (text) => fakeUri(text),
      joinPath: (base, ...parts) => fakeUri(`${base.toString().replace(/\/$/, '')}/${parts.join('/')}`),
    },
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
      createWebviewPanel(viewType, title, showOptions, options) {
        const panel = {
          viewType, title, showOptions, options, posted: [], revealed: [], disposeListeners: [],
          webview: {
            html: '',
            cspSource: 'vscode-resource:',
            postMessage(message) {
              panel.posted.push(message);
              return Promise.resolve(true);
            },
            onDidReceiveMessage(listener) {
              panel.receive = listener;
              return { dispose() {} };
            },
          },
          reveal(column, preserveFocus) {
            panel.revealed.push({ column, preserveFocus });
          },
          onDidDispose(listener) {
            panel.disposeListeners.push(listener);
            return { dispose() {} };
          },
          dispose() {
            panel.disposeListeners.forEach((listener) => listener());
          },
        };
        editor.panels.push(panel);
        return panel;
      },
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
    panels: [],
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

// The browser's flavour of the library: the extension makes its own client
// class from BaseLanguageClient.
function fakeBrowserLibrary() {
  const library = { clients: [], AbstractMessageReader: class {}, AbstractMessageWriter: class {} };
  library.BaseLanguageClient = class {
    constructor(id, name, clientOptions) {
      Object.assign(this, { id, name, clientOptions, started: false });
      library.clients.push(this);
    }
    start() {
      this.started = true;
      return Promise.resolve();
    }
    stop() {
      return Promise.resolve();
    }
  };
  return library;
}

// An entry of the extension (node.js, the desktop's, or browser.js) with a
// fresh copy of the common part, the fakes in place of the editor and the
// client library.
function loadExtension(editor, library, entry = 'node.js') {
  const file = path.join(EXTENSION_DIR, entry);
  const originalLoad = Module._load;
  Module._load = function load(request, ...rest) {
    if (request === 'vscode') return editor;
    if (request === 'vscode-languageclient/node' || request === 'vscode-languageclient/browser') return library;
    return originalLoad.call(this, request, ...rest);
  };
  try {
    for (const name of [entry, 'extension.js', 'run_view.js']) delete require.cache[require.resolve(path.join(EXTENSION_DIR, name))];
    return require(file);
  } finally {
    Module._load = originalLoad;
  }
}

// The common part of both entries, as the desktop's loads it.
function loadCommon() {
  loadExtension(fakeEditor({}, []), fakeClientLibrary());
  return require(path.join(EXTENSION_DIR, 'extension.js'));
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
  test('with no settings: the server built in, for kelvo documents', async () => {
    const { library, context } = await activated({});
    assert.equal(library.clients.length, 1);
    const client = library.clients[0];
    assert.equal(client.id, 'kelvo');
    assert.ok(client.started);
    // A function that gives the transports, in place of a program.
    assert.equal(typeof client.serverOptions, 'function');
    assert.deepEqual(client.clientOptions.documentSelector, [
      { scheme: 'file', language: 'kelvo' },
      { scheme: 'untitled', language: 'kelvo' },
    ]);
    assert.deepEqual(client.clientOptions.initializationOptions, { define: {}, defineString: {}, warnings: {} });
    assert.equal(context.subscriptions.length, 8);
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
      warnings: {},
    });
  });

  test('the choice of each warning, and the pages packed with the extension', async () => {
    const editor = fakeEditor({ 'kelvo.warnings': { 'words-left': 'error', 'block-left-open': 'off', '*': 'on', x: 'loud', y: 1 } }, []);
    const library = fakeClientLibrary();
    const extension = loadExtension(editor, library);
    await extension.activate({ subscriptions: [], extensionUri: fakeUri('file:///ext/kelvo/') });
    assert.deepEqual(library.clients[0].clientOptions.initializationOptions, {
      define: {},
      defineString: {},
      warnings: { 'words-left': 'error', 'block-left-open': 'off', '*': 'on' },
      explanations: 'file:///ext/kelvo/messages.md',
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

  test('the server built in that cannot start is reported as such', async () => {
    const { editor } = await activated({}, { startError: new Error('out of memory') });
    assert.equal(editor.errors.length, 1);
    assert.match(editor.errors[0], /language server built into the extension \(out of memory\)/);
  });

  test('in the browser: the server built in, for kelvo documents of any scheme', async () => {
    const editor = fakeEditor({ 'kelvo.serverPath': '/opt/kelvo/bin/kelvo', 'kelvo.define': { a: 1 } }, []);
    const library = fakeBrowserLibrary();
    const extension = loadExtension(editor, library, 'browser.js');
    await extension.activate({ subscriptions: [] });
    assert.equal(library.clients.length, 1);
    const [client] = library.clients;
    assert.equal(client.id, 'kelvo');
    assert.ok(client.started);
    assert.equal(typeof client.createMessageTransports, 'function');
    assert.deepEqual(client.clientOptions.documentSelector, [{ language: 'kelvo' }]);
    assert.deepEqual(client.clientOptions.initializationOptions, { define: { a: '1' }, defineString: {}, warnings: {} });
  });
});

test.describe('the server path and the defines', () => {
  const { serverCommand } = loadExtension(fakeEditor({}, []), fakeClientLibrary());
  const { definesFrom } = loadCommon();
  const root = path.resolve('/work/game');
  const cases = [
    [undefined, root, undefined],
    ['', root, undefined],
    ['  ', root, undefined],
    ['kelvo', root, 'kelvo'],
    ['kelvo-dev', root, 'kelvo-dev'],
    ['build/kelvo', root, path.join(root, 'build', 'kelvo')],
    ['./kelvo', root, path.join(root, 'kelvo')],
    ['build/kelvo', undefined, 'build/kelvo'],
    [path.resolve('/usr/local/bin/kelvo'), root, path.resolve('/usr/local/bin/kelvo')],
  ];
  for (const [configured, folder, expected] of cases) {
    test(`serverPath ${JSON.stringify(configured)} in ${folder} starts ${expected || 'the server built in'}`, () => {
      assert.equal(serverCommand(configured, folder), expected);
    });
  }

  test('warnings keep the three levels and drop the rest', () => {
    const { warningsFrom } = loadCommon();
    assert.deepEqual(warningsFrom({ a: 'off', b: 'on', c: 'error', d: 'Off', e: 0, f: null }), { a: 'off', b: 'on', c: 'error' });
    assert.deepEqual(warningsFrom(undefined), {});
    assert.deepEqual(warningsFrom(['off']), {});
  });

  test('defines keep texts, write numbers as text, drop the rest', () => {
    assert.deepEqual(definesFrom({ a: 'x y', b: 0, c: -1.5, d: Infinity, e: [], f: {}, g: false }), { a: 'x y', b: '0', c: '-1.5' });
    assert.deepEqual(definesFrom(undefined), {});
    assert.deepEqual(definesFrom(['a']), {});
    assert.deepEqual(definesFrom('a=1'), {});
  });
});

test.describe('the extension manifest', () => {
  const manifest = readJson(path.join(EXTENSION_DIR, 'package.json'));

  test('a kelvo language for .kelvo files, started on its documents, on the desktop and in the browser', () => {
    // The bundles that build.mjs writes (check_vsix.cmake looks into the package).
    assert.equal(manifest.main, './dist/extension.js');
    assert.equal(manifest.browser, './dist/web.js');
    const build = fs.readFileSync(path.join(EXTENSION_DIR, 'build.mjs'), 'utf8');
    assert.match(build, /\{ entry: "node\.js", bundle: "extension\.js", platform: "node"/);
    assert.match(build, /\{ entry: "browser\.js", bundle: "web\.js", platform: "browser"/);
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

  test('the settings: kelvo.serverPath defaults to the server built in, the defines are objects', () => {
    const { properties } = manifest.contributes.configuration;
    assert.equal(properties['kelvo.serverPath'].type, 'string');
    assert.equal(properties['kelvo.serverPath'].default, '');
    // A folder that is not trusted cannot name a program to run.
    assert.deepEqual(manifest.capabilities.untrustedWorkspaces.restrictedConfigurations, ['kelvo.serverPath']);
    assert.equal(properties['kelvo.define'].type, 'object');
    assert.equal(properties['kelvo.defineString'].type, 'object');
    assert.equal(properties['kelvo.warnings'].type, 'object');
    assert.deepEqual(properties['kelvo.warnings'].additionalProperties.enum, ['off', 'on', 'error']);
    assert.ok(manifest.contributes.commands.some((c) => c.command === 'kelvo.restartServer'));
  });

  test('the grammar it names is the shared grammar', () => {
    const [grammar] = manifest.contributes.grammars;
    const shared = path.join(ROOT, 'editors', 'kelvo.tmLanguage.json');
    assert.equal(grammar.language, 'kelvo');
    assert.equal(grammar.scopeName, readJson(shared).scopeName);
    assert.equal(grammar.path, './syntaxes/kelvo.tmLanguage.json');
  });

  test('the language client, esbuild and vsce are pinned, in the manifest and its lock', () => {
    const lock = readJson(path.join(EXTENSION_DIR, 'package-lock.json'));
    const pinned = { ...manifest.dependencies, ...manifest.devDependencies };
    assert.deepEqual(Object.keys(pinned).sort(), ['@vscode/vsce', 'esbuild', 'vscode-languageclient']);
    for (const [name, version] of Object.entries(pinned)) {
      assert.match(version, /^\d+\.\d+\.\d+$/, name);
      assert.equal(lock.packages[`node_modules/${name}`].version, version, name);
    }
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
    const { hostRangesFor, sourceRangeAt } = loadCommon();
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

// The run view, against the editor and client stand-ins: what kelvo/run
// answers for `message name` on line 5 of a source, and a shape.
test.describe('the run view', () => {
  const sourceUri = fakeUri('file:///work/ball.kelvo');
  const sourceDocument = { uri: sourceUri, languageId: 'kelvo' };
  const range = (line, start, end) => ({ start: { line, character: start }, end: { line, character: end } });
  const answer = {
    trace: [
      { range: range(2, 0, 20), word: range(2, 0, 6), call: 'draw_circle', arguments: [10, 20, 5, 0], result: null, text: 'draw_circle(10, 20, 5, 0)', depth: 0 },
      { range: range(4, 0, 12), word: range(4, 0, 7), call: 'show_message', arguments: ['Zo\u00eb'], result: null, text: 'show_message("Zo\u00eb")', depth: 0 },
    ],
    faults: [{ range: range(5, 0, 9), word: range(5, 0, 5), code: 'host-math-error', message: "'sqrt' gives no number for these arguments", severity: 1 }],
    messages: [{ range: range(4, 0, 12), word: range(4, 0, 7), text: 'Zo\u00eb' }],
    shapes: [{ range: range(2, 0, 20), word: range(2, 0, 6), call: 0 }],
    svg: '<svg xmlns="http://www.w3.org/2000/svg" width="640" height="480"></svg>',
    ran: true, gameEnded: false, steps: 42, dropped: { trace: 0, shapes: 0, messages: 0, faults: 0 },
  };

  async function withRunView() {
    const setup = await activated({});
    setup.library.answer = answer;
    setup.editor.window.activeTextEditor = { document: sourceDocument };
    await setup.editor.registered.get('kelvo.showRun')();
    return setup;
  }

  test('the command opens a panel beside the source with the run kelvo/run answers', async () => {
    const { editor, library } = await withRunView();
    assert.deepEqual(library.requests, [{ method: 'kelvo/run', params: { textDocument: { uri: 'file:///work/ball.kelvo' }, frame: 0 } }]);
    assert.equal(editor.panels.length, 1);
    const [panel] = editor.panels;
    assert.equal(panel.viewType, 'kelvo.run');
    assert.equal(panel.title, 'Run: ball.kelvo');
    assert.deepEqual(panel.showOptions, { viewColumn: -2, preserveFocus: true });
    assert.deepEqual(panel.options, { enableScripts: true });
    assert.deepEqual(panel.posted, [{ type: 'run', run: answer }]);
    // The page runs only its own script, under a policy that allows no other.
    const nonce = /script-src 'nonce-([A-Za-z0-9]+)'/.exec(panel.webview.html)[1];
    assert.equal(nonce.length, 32);
    assert.match(panel.webview.html, new RegExp(`<script nonce="${nonce}">`));
    assert.match(panel.webview.html, /default-src 'none'/);
  });

  test('the command again shows the same panel, renewed', async () => {
    const { editor, library } = await withRunView();
    await editor.registered.get('kelvo.showRun')();
    assert.equal(editor.panels.length, 1);
    assert.deepEqual(editor.panels[0].revealed, [{ column: -2, preserveFocus: true }]);
    assert.equal(library.requests.length, 2);
  });

  test('a change of the source renews the run a moment later; other documents do not', async () => {
    const { editor, library } = await withRunView();
    const listeners = editor.changeListeners;
    const changed = { ...answer, steps: 43 };
    library.answer = changed;
    const results = listeners.map((listener) => listener({ document: { uri: fakeUri('file:///work/other.kelvo') } }));
    assert.deepEqual(results, [undefined, undefined]);
    await Promise.all(listeners.map((listener) => listener({ document: sourceDocument })));
    assert.deepEqual(library.requests.filter((r) => r.method === 'kelvo/run').length, 2);
    assert.deepEqual(editor.panels[0].posted.at(-1), { type: 'run', run: changed });
  });

  test('a click in the panel selects the source term, in the editor that shows the source', async () => {
    const { editor } = await withRunView();
    const shownEditor = { document: sourceDocument, viewColumn: 1 };
    editor.window.visibleTextEditors = [shownEditor];
    await editor.panels[0].receive({ type: 'reveal', range: answer.trace[1].range });
    const { document, options } = editor.shown.at(-1);
    assert.equal(document, sourceDocument);
    assert.deepEqual({ ...options.selection }, { startLine: 4, startCharacter: 0, endLine: 4, endCharacter: 12 });
    assert.equal(options.viewColumn, 1);
    // Anything else from the page is not a place.
    assert.equal(await editor.panels[0].receive({ type: 'other' }), undefined);
  });

  test('a closed panel is renewed no more', async () => {
    const { editor, library } = await withRunView();
    editor.panels[0].dispose();
    const [, listener] = editor.changeListeners;
    assert.equal(listener({ document: sourceDocument }), undefined);
    assert.equal(library.requests.length, 1);
  });

  test('without a kelvo document in the active editor, the command says so', async () => {
    const { editor, library } = await activated({});
    await editor.registered.get('kelvo.showRun')();
    assert.equal(library.requests.length, 0);
    assert.match(editor.errors[0], /kelvo document/);
  });

  test('the manifest names the command, in the editor\'s title bar of kelvo documents', () => {
    const manifest = readJson(path.join(EXTENSION_DIR, 'package.json'));
    const command = manifest.contributes.commands.find((c) => c.command === 'kelvo.showRun');
    assert.equal(command.title, 'Kelvo: Show the run');
    assert.ok(manifest.contributes.menus['editor/title'].some((m) => m.command === 'kelvo.showRun' && m.when === 'editorLangId == kelvo'));
  });
});

// The transports of the server built in, over a stand-in for the module
// that answers as a table says (builtin_server.test.mjs drives the real
// module through the real client library).
test.describe('the transports of the server built in', () => {
  const { serverTransports } = require(path.join(EXTENSION_DIR, 'transports.js'));
  // The library's base classes, reduced to what the transports call.
  const messageClasses = {
    AbstractMessageReader: class {
      constructor() {
        this.events = [];
      }
      fireError(error) {
        this.events.push(['error', error.message]);
      }
      fireClose() {
        this.events.push(['close']);
      }
    },
    AbstractMessageWriter: class {
      constructor() {
        this.events = [];
      }
      fireError(error, message, count) {
        this.events.push(['error', error.message, message.method, count]);
      }
    },
  };
  // handle(body) answers from `answers` by the method of the body.
  function fakeServer(answers) {
    const server = { bodies: [], exitStatus: null };
    server.handle = (body) => {
      server.bodies.push(body);
      const { method } = JSON.parse(body);
      if (method === 'exit') server.exitStatus = 0;
      const answer = answers[method];
      if (answer instanceof Error) throw answer;
      return (answer || []).map((m) => JSON.stringify(m));
    };
    return server;
  }
  const settle = () => new Promise((done) => setTimeout(done, 0));

  test('a message goes in as its JSON text; its answers come out parsed, in order, after the write', async () => {
    const server = fakeServer({ ping: [{ id: 1, result: 'a' }, { method: 'note', params: { n: 2 } }] });
    const { reader, writer } = serverTransports(server, messageClasses);
    const received = [];
    reader.listen((message) => received.push(message));
    const written = writer.write({ jsonrpc: '2.0', id: 1, method: 'ping', params: { text: 'Zoë' } });
    assert.deepEqual(server.bodies, ['{"jsonrpc":"2.0","id":1,"method":"ping","params":{"text":"Zoë"}}']);
    assert.deepEqual(received, []);
    await written;
    assert.deepEqual(received, [{ id: 1, result: 'a' }, { method: 'note', params: { n: 2 } }]);
  });

  test('answers that come before the client listens wait for it', async () => {
    const { reader, writer } = serverTransports(fakeServer({ ping: [{ id: 1 }] }), messageClasses);
    await writer.write({ method: 'ping' });
    await settle();
    const received = [];
    reader.listen((message) => received.push(message));
    assert.deepEqual(received, [{ id: 1 }]);
  });

  test('exit closes the reader once its answers are read, and nothing more is taken', async () => {
    const server = fakeServer({ shutdown: [{ id: 2, result: null }] });
    const { reader, writer } = serverTransports(server, messageClasses);
    const received = [];
    reader.listen((message) => received.push(message));
    await writer.write({ id: 2, method: 'shutdown' });
    await writer.write({ method: 'exit' });
    await settle();
    assert.deepEqual(received, [{ id: 2, result: null }]);
    assert.deepEqual(reader.events, [['close']]);
    await assert.rejects(writer.write({ method: 'ping' }), /exited/);
    assert.equal(server.bodies.length, 2);
  });

  test('a module that fails is an error of the writer and the end of the reader', async () => {
    const { reader, writer } = serverTransports(fakeServer({ ping: new Error('memory access out of bounds') }), messageClasses);
    reader.listen(() => undefined);
    await assert.rejects(writer.write({ method: 'ping' }), /out of bounds/);
    await settle();
    assert.deepEqual(writer.events, [['error', 'memory access out of bounds', 'ping', 1]]);
    assert.deepEqual(reader.events, [['close']]);
  });
});
