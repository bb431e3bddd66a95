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
    },
    settings,
  };
  return editor;
}

// A stand-in for the language client library: every client made, with what
// it was made of and whether it was started and stopped.
function fakeClientLibrary(startError) {
  const library = { clients: [] };
  library.LanguageClient = class {
    constructor(id, name, serverOptions, clientOptions) {
      Object.assign(this, { id, name, serverOptions, clientOptions, started: false, stopped: false });
      library.clients.push(this);
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
    assert.equal(context.subscriptions.length, 2);
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
