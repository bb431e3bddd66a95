'use strict';
// The language server built into the extension as the language client's
// message transports: a reader and a writer of the client's own kinds that
// pass each message to the server module and its answers back, whole. No
// bytes are framed: the module takes and gives message bodies.
//
// `server` is what web/wasm/kelvo_lsp.js loads: handle(body) returns the
// bodies to send, exitStatus is no longer null after `exit`.
// `messageClasses` are the language client's AbstractMessageReader and
// AbstractMessageWriter, from the entry's own flavour of the client.

function serverTransports(server, { AbstractMessageReader, AbstractMessageWriter }) {
  // Answers reach the client after the write that caused them has returned,
  // in order, as they would from a channel.
  class Reader extends AbstractMessageReader {
    constructor() {
      super();
      this.waiting = [];
      this.callback = undefined;
      this.closed = false;
    }

    listen(callback) {
      this.callback = callback;
      this.deliver();
      return { dispose: () => { this.callback = undefined; } };
    }

    receive(bodies, close) {
      this.waiting.push(...bodies);
      this.closeAfter = this.closeAfter || close;
      queueMicrotask(() => this.deliver());
    }

    deliver() {
      while (this.callback && this.waiting.length > 0) {
        const body = this.waiting.shift();
        try {
          this.callback(JSON.parse(body));
        } catch (error) {
          this.fireError(error);
        }
      }
      if (this.closeAfter && this.waiting.length === 0 && !this.closed) {
        this.closed = true;
        this.fireClose();
      }
    }
  }

  class Writer extends AbstractMessageWriter {
    constructor(reader) {
      super();
      this.reader = reader;
      this.ended = false;
    }

    write(message) {
      if (this.ended) {
        return Promise.reject(new Error('the language server has exited'));
      }
      let answers;
      try {
        answers = server.handle(JSON.stringify(message));
      } catch (error) {
        // The module is broken past use (out of memory, say): the client
        // is told the server is gone, and starts a new one.
        this.ended = true;
        this.fireError(error, message, 1);
        this.reader.receive([], true);
        return Promise.reject(error);
      }
      const exited = server.exitStatus !== null;
      this.ended = exited;
      this.reader.receive(answers, exited);
      return Promise.resolve();
    }

    end() {
      this.ended = true;
    }
  }

  const reader = new Reader();
  return { reader, writer: new Writer(reader) };
}

module.exports = { serverTransports };
