// The colours of the source: what the translator took each word for, as the
// last translation told it (the module's record of the words), on the lines
// in view. Nothing is worked out here: a word the translator did not know
// looks unknown, a word its line dropped looks dropped.
import { RangeSetBuilder, StateEffect, StateField } from "@codemirror/state";
import { Decoration, ViewPlugin } from "@codemirror/view";

const marks = new Map();
const mark = (cls) => marks.get(cls) ?? marks.set(cls, Decoration.mark({ class: cls })).get(cls);

// The words of the last translation, dispatched with the text they were made of.
export const setWords = StateEffect.define();

const wordsField = StateField.define({
  create: () => null,
  update(value, tr) {
    for (const effect of tr.effects) if (effect.is(setWords)) return effect.value;
    return value;
  },
});

function decorate(view) {
  const words = view.state.field(wordsField);
  const builder = new RangeSetBuilder();
  if (!words) return builder.finish();
  const length = view.state.doc.length;
  for (const { from, to } of view.visibleRanges) {
    for (const [a, b, cls] of words.in(from, to)) {
      if (b > a && b <= length) builder.add(a, b, mark(cls));
    }
  }
  return builder.finish();
}

// Until the words of a changed text come, the colours of the old words move
// with the text.
export const sourceColours = () => [
  wordsField,
  ViewPlugin.fromClass(
    class {
      constructor(view) { this.decorations = decorate(view); }
      update(u) {
        const fresh = u.startState.field(wordsField) !== u.state.field(wordsField);
        if (fresh || u.viewportChanged) this.decorations = decorate(u.view);
        else if (u.docChanged) this.decorations = this.decorations.map(u.changes);
      }
    },
    { decorations: (plugin) => plugin.decorations },
  ),
];
