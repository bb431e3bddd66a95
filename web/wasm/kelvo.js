// The translator for JavaScript, in the browser or in Node.js:
//
//   import { loadKelvo } from "./kelvo.js";
//   const kelvo = await loadKelvo();          // Node.js: loadKelvo({ wasmBinary: bytes })
//   const { host, errorText, reports, analysis } =
//       kelvo.translate("print 10 10 who", { defineString: { who: "Ann" } });
//
// The source is a Uint8Array or a string; a string is translated as its
// UTF-8 bytes. Every call starts from the state the library has right after
// loading, as a fresh engine process would translate.
import createKelvoModule from "./kelvo_wasm.mjs";

const PART = { host: 0, messages: 1, summary: 2, analysis: 3, tables: 4 };
const encoder = new TextEncoder();
const decoder = new TextDecoder();

// `settings` goes to the module: { wasmBinary } hands over the bytes of
// kelvo_wasm.wasm, { locateFile } says where to fetch it from.
export async function loadKelvo(settings = {}) {
  return new Kelvo(await createKelvoModule(settings));
}

// Global arguments in the order they are applied: every `define` (a real,
// emitted verbatim) in its order, then every `defineString`; `globals`, a
// list of { kind: "real" | "string", name, value }, gives any order.
function globalList({ define = {}, defineString = {}, globals = [] }) {
  const entries = (given) => (Array.isArray(given) ? given : Object.entries(given));
  return [
    ...entries(define).map(([name, value]) => ({ kind: "real", name, value })),
    ...entries(defineString).map(([name, value]) => ({ kind: "string", name, value })),
    ...globals,
  ];
}

const bytesOf = (text) => (text instanceof Uint8Array ? text : encoder.encode(String(text)));

class Kelvo {
  constructor(module) {
    this.module = module;
    module._kelvo_load_tables();
    const tables = JSON.parse(this.part(PART.tables, true));
    this.keywords = tables.keywords;   // [{ name, kind, summary }]
    this.constants = tables.constants; // [{ name, text }]
  }

  // A part the last call left, as bytes or as text.
  part(which, asText = false) {
    const at = this.module._kelvo_part(which);
    const bytes = this.module.HEAPU8.slice(at, at + this.module._kelvo_part_size(which));
    return asText ? decoder.decode(bytes) : bytes;
  }

  // Copies bytes into the module's buffer.
  put(bytes) {
    const at = this.module._kelvo_buffer(bytes.length);
    this.module.HEAPU8.set(bytes, at);
  }

  // Returns
  //   host, errorText   the host script and the messages the run added to the
  //                     error text, decoded as UTF-8 (hostBytes and
  //                     errorBytes hold them exactly);
  //   reports           [{ severity: "error"|"warning"|"note", code, text,
  //                     line, column, offset, length }]: 1-based line, byte
  //                     column and byte offset of the word in the source;
  //   lines             the line map, [{ line, resultBegin, resultEnd }]:
  //                     the host text of each translated source line, as
  //                     byte offsets in the host script;
  //   analysis          the whole analysis (the JSON of kelvo --analysis,
  //                     parsed), or null when options.analysis is false.
  translate(source, options = {}) {
    for (const { kind, name, value } of globalList(options)) {
      const nameBytes = bytesOf(name);
      const valueBytes = bytesOf(value);
      const both = new Uint8Array(nameBytes.length + valueBytes.length);
      both.set(nameBytes);
      both.set(valueBytes, nameBytes.length);
      this.put(both);
      this.module._kelvo_add_global(kind === "string" ? 1 : 0, nameBytes.length, valueBytes.length);
    }
    const bytes = bytesOf(source);
    this.put(bytes);
    const withAnalysis = options.analysis !== false;
    this.module._kelvo_translate(bytes.length, withAnalysis ? 1 : 0);

    const hostBytes = this.part(PART.host);
    const errorBytes = this.part(PART.messages);
    const summary = JSON.parse(this.part(PART.summary, true));
    const reports = summary.reports.map(([severity, code, text, line, column, offset, length]) => ({
      severity, code, text, line, column, offset, length,
    }));
    const lines = [];
    for (let i = 0; i < summary.lines.length; i += 3) {
      lines.push({ line: summary.lines[i], resultBegin: summary.lines[i + 1], resultEnd: summary.lines[i + 2] });
    }
    return {
      host: decoder.decode(hostBytes),
      errorText: decoder.decode(errorBytes),
      hostBytes,
      errorBytes,
      reports,
      lines,
      analysis: withAnalysis ? JSON.parse(this.part(PART.analysis, true)) : null,
    };
  }
}

// The length of the well-formed UTF-8 sequence at bytes[i], or of its
// longest well-formed start (at least 1) when it is cut short: TextDecoder
// turns each such start into one U+FFFD. Returns [length, UTF-16 units].
function sequenceAt(bytes, i) {
  const b = bytes[i];
  if (b < 0x80) return [1, 1];
  let n = 0;
  let low = 0x80;
  let high = 0xbf;
  if (b >= 0xc2 && b <= 0xdf) n = 2;
  else if (b >= 0xe0 && b <= 0xef) [n, low, high] = [3, b === 0xe0 ? 0xa0 : 0x80, b === 0xed ? 0x9f : 0xbf];
  else if (b >= 0xf0 && b <= 0xf4) [n, low, high] = [4, b === 0xf0 ? 0x90 : 0x80, b === 0xf4 ? 0x8f : 0xbf];
  else return [1, 1];
  for (let k = 1; k < n; ++k) {
    const c = bytes[i + k];
    if (c === undefined || c < low || c > high) return [k, 1];
    [low, high] = [0x80, 0xbf];
  }
  return [n, n === 4 ? 2 : 1];
}

// A function from byte offsets in `bytes` to offsets in the string that
// TextDecoder makes of them (an offset inside a character gives the
// character's start).
export function utf16Offsets(bytes) {
  let ascii = true;
  for (let i = 0; i < bytes.length && ascii; ++i) ascii = bytes[i] < 0x80;
  if (ascii) return (offset) => Math.min(offset, bytes.length);
  const map = new Uint32Array(bytes.length + 1);
  let units = 0;
  for (let i = 0; i < bytes.length; ) {
    const [length, width] = sequenceAt(bytes, i);
    for (let k = 0; k < length; ++k) map[i + k] = units;
    units += width;
    i += length;
  }
  map[bytes.length] = units;
  return (offset) => map[Math.min(offset, bytes.length)];
}
