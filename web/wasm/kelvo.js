// The translator for JavaScript, in the browser or in Node.js:
//
//   import { loadKelvo } from "./kelvo.js";
//   const kelvo = await loadKelvo();          // Node.js: loadKelvo({ wasmBinary: bytes })
//   const { host, errorText, reports, lines, words, analysis } =
//       kelvo.translate("print 10 10 who", { defineString: { who: "Ann" } });
//   const run = kelvo.run("circle 10 10 5 false");   // the preview host's run of it
//
// The source is a Uint8Array or a string; a string is translated as its
// UTF-8 bytes. Every call starts from the state the library has right after
// loading, as a fresh engine process would translate. Places come from the
// module as offsets into the texts as TextDecoder decodes them (UTF-16 code
// units), so that they are offsets into the strings `host` and the source.
import createKelvoModule from "./kelvo_wasm.mjs";

const PART = { host: 0, messages: 1, summary: 2, analysis: 3, tables: 4, lines: 5, words: 6, explanation: 7 };
const RUN_PART = { summary: 0, trace: 1, texts: 2, shapes: 3, pixels: 4, owners: 5 };
const WIDTH = 640;
const HEIGHT = 480;
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

// What each word is, as a class for the page: a kind of word of the
// analysis, a keyword's kind, a comment, or a word its line dropped.
function wordClassNames(wordKinds) {
  const names = wordKinds.map((kind) => `k-${kind}`);
  ["call", "text", "flow", "declaration"].forEach((kind, i) => { names[16 + i] = `k-${kind}`; });
  names[32] = "k-comment";
  return names;
}

// The words of a translation: [from, to, class] in the source string, in
// its order; `in(from, to)` gives those that reach into a range.
class Words {
  constructor(numbers, names) {
    this.numbers = numbers;
    this.names = names;
  }
  get length() { return this.numbers.length / 3; }
  at(i) {
    const n = this.numbers;
    const cls = n[3 * i + 2];
    return [n[3 * i], n[3 * i + 1], cls & 0x80 ? "k-dropped" : this.names[cls] ?? "k-unknown"];
  }
  // The words that end after `from` and begin before `to`. Words do not
  // overlap, so their ends rise with their starts.
  *in(from, to) {
    let low = 0;
    let high = this.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (this.numbers[3 * middle + 1] <= from) low = middle + 1;
      else high = middle;
    }
    for (let i = low; i < this.length && this.numbers[3 * i] < to; ++i) yield this.at(i);
  }
}

class Kelvo {
  constructor(module) {
    this.module = module;
    module._kelvo_load_tables();
    const tables = JSON.parse(this.part(PART.tables, true));
    this.keywords = tables.keywords;   // [{ name, kind, summary }]
    this.constants = tables.constants; // [{ name, text }]
    this.classNames = wordClassNames(tables.wordKinds);
  }

  // A part the last call left, as bytes or as text: of the translation, or
  // with the run's getters (`run`) of the last run.
  part(which, asText = false, run = false) {
    const at = run ? this.module._kelvo_run_part(which) : this.module._kelvo_part(which);
    const size = run ? this.module._kelvo_run_part_size(which) : this.module._kelvo_part_size(which);
    const bytes = this.module.HEAPU8.slice(at, at + size);
    return asText ? decoder.decode(bytes) : bytes;
  }

  numbers(which, run = false) {
    const bytes = this.part(which, false, run);
    return new Uint32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
  }

  // The global arguments of the next call, in the module.
  putGlobals(options) {
    for (const { kind, name, value } of globalList(options)) {
      const nameBytes = bytesOf(name);
      const valueBytes = bytesOf(value);
      const both = new Uint8Array(nameBytes.length + valueBytes.length);
      both.set(nameBytes);
      both.set(valueBytes, nameBytes.length);
      this.put(both);
      this.module._kelvo_add_global(kind === "string" ? 1 : 0, nameBytes.length, valueBytes.length);
    }
  }

  // The choice of each warning for the next call: { CODE: "off" | "on" |
  // "error" }, "*" for every warning, as the language server's option
  // warnings; throws on an entry it cannot take.
  putWarnings(warnings = {}) {
    // "*" first, so that the entries for single warnings hold against it.
    const entries = Object.entries(warnings).sort(([a], [b]) => (a === "*" ? -1 : b === "*" ? 1 : 0));
    for (const [code, level] of entries) {
      const codeBytes = bytesOf(code);
      const levelBytes = bytesOf(String(level));
      const both = new Uint8Array(codeBytes.length + levelBytes.length);
      both.set(codeBytes);
      both.set(levelBytes, codeBytes.length);
      this.put(both);
      if (this.module._kelvo_choose_warning(codeBytes.length, levelBytes.length) !== 0) {
        const reason = this.part(PART.explanation, true);
        this.module._kelvo_choose_warning(0, 0);  // none of them holds for the next call
        throw new Error(reason);
      }
    }
  }

  // The page that explains a code (as `kelvo --explain CODE` prints it,
  // Markdown), or null for a code that has none.
  explain(code) {
    this.put(bytesOf(code));
    const found = this.module._kelvo_explain(bytesOf(code).length);
    return found ? this.part(PART.explanation, true) : null;
  }

  // Every code a report can carry: [{ code, kind, summary }], kind "error",
  // "warning", "note" or "host fault" (the codes of kelvo --run's faults).
  explanations() {
    this.module._kelvo_load_explanations();
    return JSON.parse(this.part(PART.explanation, true));
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
  //                     line, column, offset, length, from, to, word, name }]:
  //                     line, byte column, byte offset and byte length as the
  //                     command line counts them; from and to in the source
  //                     string; word and name the facts the text tells;
  //                     label ("warning", "note" or "" for a message) and
  //                     printed: what the kelvo tool prints after the
  //                     place, "FILE:LINE:COL: label: printed"; markFrom and
  //                     markTo where a page draws it (a report about a
  //                     missing word on the word whose operand it is, or
  //                     on the line's last character);
  //   lines             the line map, [{ line, sourceFrom, hostFrom, hostTo }]:
  //                     where each translated source line begins and where its
  //                     host text stands in the host string (a `function`
  //                     line: also the name and parameter prologue of each
  //                     definition it named, one entry each);
  //   words             what each word is (see Words);
  //   analysis          the whole analysis (the JSON of kelvo --analysis,
  //                     parsed), or null when options.analysis is false.
  // `options.hostChecks`: the warnings (code host-argument-count) of calls
  // that the host refuses for their argument count among the reports.
  // `options.warnings`: the choice of each warning (see putWarnings).
  translate(source, options = {}) {
    this.putWarnings(options.warnings);
    this.putGlobals(options);
    const bytes = bytesOf(source);
    this.put(bytes);
    const withAnalysis = options.analysis !== false;
    this.module._kelvo_translate(bytes.length, withAnalysis ? 1 : 0, options.hostChecks ? 1 : 0);

    const hostBytes = this.part(PART.host);
    const errorBytes = this.part(PART.messages);
    const summary = JSON.parse(this.part(PART.summary, true));
    const reports = summary.reports.map(([severity, code, text, line, column, offset, length, from, to, word, name,
      label, printed, markFrom, markTo]) => ({
      severity, code, text, line, column, offset, length, from, to, word, name, label, printed, markFrom, markTo,
    }));
    const map = this.numbers(PART.lines);
    const lines = [];
    for (let i = 0; i < map.length; i += 4) lines.push({ line: map[i], sourceFrom: map[i + 1], hostFrom: map[i + 2], hostTo: map[i + 3] });
    return {
      host: decoder.decode(hostBytes),
      errorText: decoder.decode(errorBytes),
      hostBytes,
      errorBytes,
      reports,
      lines,
      words: new Words(this.numbers(PART.words), this.classNames),
      analysis: withAnalysis ? JSON.parse(this.part(PART.analysis, true)) : null,
    };
  }

  // ---- the preview host ------------------------------------------------------

  // Translates the source (with the globals of `options`, as translate
  // takes them) and runs its host text in the preview host as frame
  // `options.frame` (default 0) of a game whose clock starts at
  // `options.start` (milliseconds since 1970-01-01 00:00, local time;
  // default 0), random numbers from `options.seed`. Returns
  //   ran, gameEnded, steps, dropped  as the preview tells them;
  //   faults     [{ code, text, from, to, line, column }]: from and to the
  //              source term that wrote the faulty host text (-1: none);
  //   messages   [{ text, from, to, line, column }]: what show_message showed;
  //   trace      [{ from, to, wordFrom, wordTo, line, depth, text }]: every
  //              call made, `text` as "name(arguments) => result";
  //   shapes     [{ from, to, wordFrom, wordTo, line }]: every shape drawn;
  //   pixels     the frame, 640 x 480, RGBA (for an ImageData).
  // Places are offsets into the source string; line 0 is no source line.
  run(source, options = {}) {
    this.putGlobals(options);
    const bytes = bytesOf(source);
    this.put(bytes);
    this.module._kelvo_run(bytes.length, options.start ?? 0, options.frame ?? 0, options.seed ?? 0);
    return this.runResult();
  }

  // Another frame of the script that `run` translated last, without
  // translating it again.
  frame(frame, options = {}) {
    this.module._kelvo_run_frame(options.start ?? 0, frame, options.seed ?? 0);
    return this.runResult();
  }

  // Which shape of the last run drew the pixel (x, y) last, or -1.
  shapeAt(x, y) { return this.module._kelvo_shape_at(x, y); }

  // For each pixel of the last run's frame (rows from the top), the index
  // of the shape that drew it last plus one, or 0.
  shapeOwners() {
    this.module._kelvo_run_owners();
    return this.numbers(RUN_PART.owners, true);
  }

  runResult() {
    const summary = JSON.parse(this.part(RUN_PART.summary, true, true));
    const placed = ([from, to, line, column]) => ({ from, to, line, column });
    const texts = this.part(RUN_PART.texts, true, true).split("\n");
    const trace = [];
    const t = this.numbers(RUN_PART.trace, true);
    for (let i = 0; i + 5 < t.length; i += 6) {
      trace.push({ from: t[i], to: t[i + 1], wordFrom: t[i + 2], wordTo: t[i + 3], line: t[i + 4], depth: t[i + 5], text: texts[i / 6] });
    }
    const shapes = [];
    const s = this.numbers(RUN_PART.shapes, true);
    for (let i = 0; i + 4 < s.length; i += 5) shapes.push({ from: s[i], to: s[i + 1], wordFrom: s[i + 2], wordTo: s[i + 3], line: s[i + 4] });
    const pixels = this.part(RUN_PART.pixels, false, true);
    return {
      ran: summary.ran,
      gameEnded: summary.gameEnded,
      steps: summary.steps,
      dropped: summary.dropped,
      faults: summary.faults.map(([code, text, ...place]) => ({ code, text, ...placed(place) })),
      messages: summary.messages.map(([text, ...place]) => ({ text, ...placed(place) })),
      trace,
      shapes,
      pixels: new Uint8ClampedArray(pixels.buffer, pixels.byteOffset, WIDTH * HEIGHT * 4),
      width: WIDTH,
      height: HEIGHT,
    };
  }
}
