'use strict';
// The extension in VS Code for the web, whose extension host is a web
// worker: the language server built into the extension runs there too, in
// the same WebAssembly module as on the desktop. No program can be started,
// so kelvo.serverPath has no use here.

const { BaseLanguageClient, AbstractMessageReader, AbstractMessageWriter } = require('vscode-languageclient/browser');
const extension = require('./extension');

// A client whose transports are the built-in server's.
class BuiltInClient extends BaseLanguageClient {
  constructor(clientOptions, transports) {
    super('kelvo', 'Kelvo language server', clientOptions);
    this.transports = transports;
  }

  createMessageTransports() {
    return this.transports();
  }
}

function activate(context) {
  return extension.activate(context, {
    // Documents of any scheme: in the browser they come from elsewhere.
    documentSelector: [{ language: 'kelvo' }],
    create: ({ clientOptions }) => new BuiltInClient(clientOptions,
      () => extension.builtInServer(context, { AbstractMessageReader, AbstractMessageWriter })),
    describe: () => 'built into the extension',
  });
}

module.exports = { activate, deactivate: extension.deactivate };
