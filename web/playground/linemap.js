// The line map on the page: which host text each source line became, from
// the analysis of the last translation, and the highlight that shows it in
// both panes.
import { StateEffect, StateField } from "@codemirror/state";
import { Decoration, EditorView } from "@codemirror/view";

// The map in string offsets of both panes, as the module gives them:
// [{ line, from, to }], `line` 1-based in the source, from/to in the host text.
export function lineMap(lines) {
  return lines.map(({ line, hostFrom, hostTo }) => ({ line, from: hostFrom, to: hostTo }));
}

// The source lines whose host text holds a host offset (at its end too, where
// the caret stands after the last character).
export function sourceLinesAt(map, offset) {
  return map.filter(({ from, to }) => from <= offset && offset <= to && from < to).map(({ line }) => line);
}

// The host text of a source line. The map runs in the order of the source
// lines, so the line's entries are found by halving.
export function hostRangesOf(map, line) {
  let low = 0;
  let high = map.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (map[middle].line < line) low = middle + 1;
    else high = middle;
  }
  const ranges = [];
  for (let i = low; i < map.length && map[i].line === line; ++i) if (map[i].from < map[i].to) ranges.push(map[i]);
  return ranges;
}

// Highlights: the effect carries [{ from, to }] ranges of the pane's text;
// each range is marked and its lines get the line colour.
export const setHighlight = StateEffect.define();
const lineMark = Decoration.line({ class: "cm-linked-line" });
const textMark = Decoration.mark({ class: "cm-linked-text" });

export const highlightField = StateField.define({
  create: () => Decoration.none,
  update(value, tr) {
    for (const effect of tr.effects) if (effect.is(setHighlight)) return decorations(tr.state.doc, effect.value);
    return tr.docChanged ? Decoration.none : value;
  },
  provide: (field) => EditorView.decorations.from(field),
});

function decorations(doc, ranges) {
  const all = [];
  for (const { from, to, whole } of ranges) {
    const first = doc.lineAt(Math.min(from, doc.length));
    const last = doc.lineAt(Math.min(to, doc.length));
    for (let n = first.number; n <= last.number; ++n) all.push(lineMark.range(doc.line(n).from));
    if (!whole && from < to) all.push(textMark.range(from, Math.min(to, doc.length)));
  }
  return Decoration.set(all, true);
}
