// The colours of the source: each word is looked up in the keyword and
// constant tables that the WebAssembly module carries. Only the lines in
// view are coloured, so a long script costs no more than a short one.
import { RangeSetBuilder } from "@codemirror/state";
import { Decoration, ViewPlugin } from "@codemirror/view";

const number = /^[+-]?(\d+\.?\d*|\.\d+)$/;

// The pieces of one line: [from, to, class] with offsets in the line. A
// comment runs from `//` to the end of the line, inside quotes too; a word
// that begins with a quote runs to the next quote.
export function tokenise(text, classOf) {
  const pieces = [];
  const comment = text.indexOf("//");
  const end = comment < 0 ? text.length : comment;
  let i = 0;
  while (i < end) {
    if (text[i] === " " || text[i] === "\t" || text[i] === ";") { ++i; continue; }
    let j = i + 1;
    if (text[i] === '"') {
      const close = text.indexOf('"', j);
      j = close < 0 || close >= end ? end : close + 1;
      pieces.push([i, j, "k-string"]);
    } else {
      while (j < end && !" \t;".includes(text[j])) ++j;
      const word = text.slice(i, j);
      const cls = classOf.get(word) ?? (number.test(word) ? "k-number" : null);
      if (cls) pieces.push([i, j, cls]);
    }
    i = j;
  }
  if (comment >= 0) pieces.push([comment, text.length, "k-comment"]);
  return pieces;
}

// The class of every keyword (by its kind) and constant.
export function wordClasses(keywords, constants) {
  const classes = new Map();
  for (const { name } of constants) classes.set(name, "k-constant");
  for (const { name, kind } of keywords) classes.set(name, `k-${kind}`);
  return classes;
}

const marks = new Map();
const mark = (cls) => marks.get(cls) ?? marks.set(cls, Decoration.mark({ class: cls })).get(cls);

function decorate(view, classOf) {
  const builder = new RangeSetBuilder();
  for (const { from, to } of view.visibleRanges) {
    for (let pos = from; pos <= to; ) {
      const line = view.state.doc.lineAt(pos);
      for (const [a, b, cls] of tokenise(line.text, classOf)) builder.add(line.from + a, line.from + b, mark(cls));
      pos = line.to + 1;
    }
  }
  return builder.finish();
}

export function sourceColours(classOf) {
  return ViewPlugin.fromClass(
    class {
      constructor(view) { this.decorations = decorate(view, classOf); }
      update(u) { if (u.docChanged || u.viewportChanged) this.decorations = decorate(u.view, classOf); }
    },
    { decorations: (plugin) => plugin.decorations },
  );
}
