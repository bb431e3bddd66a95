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

async function activate(context) {
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

module.exports = { activate, deactivate, serverCommand, definesFrom };
