'use strict';
// The extension in VS Code on the desktop (and wherever the extension host
// runs on Node.js): the language server built into the extension, or the
// `kelvo --lsp` that kelvo.serverPath names.

const path = require('path');
const vscode = require('vscode');
const { LanguageClient, AbstractMessageReader, AbstractMessageWriter } = require('vscode-languageclient/node');
const extension = require('./extension');

// The program to start, or undefined for the server built in. A bare name is
// looked up on PATH; a relative path with a directory in it counts from the
// first workspace folder.
function serverCommand(configured, workspaceFolder) {
  const command = typeof configured === 'string' ? configured.trim() : '';
  if (command === '') {
    return undefined;
  }
  const hasDirectory = command.includes('/') || command.includes('\\');
  if (!hasDirectory || path.isAbsolute(command) || !workspaceFolder) {
    return command;
  }
  return path.resolve(workspaceFolder, command);
}

function firstWorkspaceFolder() {
  const folders = vscode.workspace.workspaceFolders;
  return folders && folders.length > 0 ? folders[0].uri.fsPath : undefined;
}

function commandOf(settings) {
  return serverCommand(settings.get('serverPath', ''), firstWorkspaceFolder());
}

function launcher(context) {
  return {
    documentSelector: [
      { scheme: 'file', language: 'kelvo' },
      { scheme: 'untitled', language: 'kelvo' },
    ],
    create({ settings, clientOptions }) {
      const command = commandOf(settings);
      // No transport is named for a program: the client then talks over the
      // child's standard streams without adding a --stdio argument of its own.
      const serverOptions = command
        ? { command, args: ['--lsp'] }
        : () => extension.builtInServer(context, { AbstractMessageReader, AbstractMessageWriter });
      return new LanguageClient('kelvo', 'Kelvo language server', serverOptions, clientOptions);
    },
    describe({ settings }) {
      const command = commandOf(settings);
      return command ? `"${command} --lsp"` : 'built into the extension';
    },
  };
}

function activate(context) {
  return extension.activate(context, launcher(context));
}

module.exports = { activate, deactivate: extension.deactivate, serverCommand };
