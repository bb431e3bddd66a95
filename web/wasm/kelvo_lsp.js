// The language server for JavaScript, in Node.js, the browser or a worker:
//
//   import { loadLanguageServer } from "./kelvo_lsp.js";
//   const server = await loadLanguageServer({ wasmBinary: bytes });
//   const answers = server.handle('{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}');
//
// `handle` takes one message body (the JSON text, without the protocol's
// header) and returns the bodies of the messages to send, in order: the
// answer to a request, the diagnostics after a change. It is what `kelvo
// --lsp` does with each message between reading and writing.
import createKelvoLanguageServer from "./kelvo_lsp_wasm.mjs";

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// `settings` goes to the module: { wasmBinary } hands over the bytes of
// kelvo_lsp_wasm.wasm (as the editor extension does), { locateFile } says
// where to fetch it from.
export async function loadLanguageServer(settings = {}) {
  return new LanguageServer(await createKelvoLanguageServer(settings));
}

class LanguageServer {
  constructor(module) {
    this.module = module;
  }

  // The bodies of the messages to send after `body` (a string, taken as its
  // UTF-8 bytes, or the bytes themselves).
  handle(body) {
    const module = this.module;
    let size;
    if (body instanceof Uint8Array) {
      module.HEAPU8.set(body, module._kelvo_lsp_buffer(body.length));
      size = body.length;
    } else {
      const text = String(body);
      // At most three bytes for each UTF-16 unit; the buffer is then cut to
      // what the text took.
      const at = module._kelvo_lsp_buffer(text.length * 3);
      size = encoder.encodeInto(text, module.HEAPU8.subarray(at, at + text.length * 3)).written;
    }
    const count = module._kelvo_lsp_handle(size);
    const answers = [];
    for (let i = 0; i < count; ++i) {
      const at = module._kelvo_lsp_answer(i);
      answers.push(decoder.decode(module.HEAPU8.subarray(at, at + module._kelvo_lsp_answer_size(i))));
    }
    return answers;
  }

  // After `exit`: 0 when `shutdown` came first, else 1; null while running.
  get exitStatus() {
    const status = this.module._kelvo_lsp_exit_status();
    return status < 0 ? null : status;
  }

  // A fresh server, with no document open, in the same module.
  restart() {
    this.module._kelvo_lsp_restart();
  }
}
