// The Run pane: the script's host text run in the preview host, a moment
// after each change, with the canvas it drew, the messages it showed, the
// faults the engine would meet and every call it made. Clicking a shape of
// the canvas, a fault or a row of the trace highlights the source term that
// wrote it; the source line under the cursor highlights what it drew and
// called. Frames: the script runs once per frame, 30 a second, with the
// clock moving on, until the stop button (or game_end()).
import { StateEffect, StateField } from "@codemirror/state";
import { Decoration, EditorView } from "@codemirror/view";

const FPS = 30;
const SHOWN_ROWS = 500;  // of the trace; the rest are counted
const LIST_EVERY = 8;    // frames between updates of the lists while playing

// The term a click picked, marked in the source.
const setTerm = StateEffect.define();
const termMark = Decoration.mark({ class: "cm-run-term" });
const termField = StateField.define({
  create: () => Decoration.none,
  update(value, tr) {
    for (const effect of tr.effects) {
      if (effect.is(setTerm)) return effect.value ? Decoration.set([termMark.range(effect.value.from, effect.value.to)]) : Decoration.none;
    }
    return tr.docChanged ? Decoration.none : value.map(tr.changes);
  },
  provide: (field) => EditorView.decorations.from(field),
});

// The local time now, in milliseconds since 1970-01-01 00:00, as the
// host's clock reads it.
const localNow = () => Date.now() - new Date().getTimezoneOffset() * 60_000;

const element = (tag, props = {}) => Object.assign(document.createElement(tag), props);

export function runPane({ kelvo, source, globals, $ }) {
  const canvas = $("run-canvas");
  const overlay = $("run-overlay");
  const context = canvas.getContext("2d");
  const marks = overlay.getContext("2d");
  let last = null;      // the last run's result
  let owners = null;    // which shape drew each pixel, made when first needed
  let timer = null;
  let request = null;   // the frame after which a fast run runs
  let delay = 0;
  let playing = null;   // { start, first, shown } while frames run
  let line = 0;         // the source line whose drawing is highlighted

  source.dispatch({ effects: StateEffect.appendConfig.of([termField, EditorView.updateListener.of((update) => {
    if (update.selectionSet || update.docChanged) {
      const at = update.state.doc.lineAt(update.state.selection.main.head).number;
      if (at !== line) highlightLine(at);
    }
  })]) });

  // ---- showing a run -------------------------------------------------------------
  function row(list, className, text, place) {
    const li = element("li", { className, textContent: text });
    if (place && place.line > 0) {
      li.dataset.from = place.from;
      li.dataset.to = place.to;
      li.dataset.line = place.line;
    }
    list.push(li);
    return li;
  }

  function showLists(result) {
    const at = (p) => (p.line > 0 ? `${p.line}: ` : "");
    const messages = [];
    for (const m of result.messages) row(messages, "message", `${at(m)}${m.text}`, m);
    const faults = [];
    for (const f of result.faults) row(faults, "fault", `${at(f)}${f.text} [${f.code}]`, f);
    const trace = [];
    for (const t of result.trace.slice(0, SHOWN_ROWS)) row(trace, "call", `${at(t)}${"  ".repeat(t.depth)}${t.text}`, t);
    const more = result.trace.length - SHOWN_ROWS + result.dropped.trace;
    if (more > 0) trace.push(element("li", { className: "more", textContent: `… ${more} more calls` }));
    $("run-messages").replaceChildren(...messages);
    $("run-faults").replaceChildren(...faults);
    $("run-trace").replaceChildren(...trace);
    markRows();
  }

  function draw(result) {
    context.putImageData(new ImageData(result.pixels.slice(), result.width, result.height), 0, 0);
    owners = null;
    marks.clearRect(0, 0, overlay.width, overlay.height);
  }

  function show(result, lists) {
    last = result;
    draw(result);
    if (lists) showLists(result);
    highlightLine(line, true);
    const frame = playing ? `frame ${playing.shown}, ` : "";
    $("run-status").textContent = `${frame}${result.steps} steps` + (result.faults.length ? `, ${result.faults.length} faults` : "") +
      (result.gameEnded ? ", game_end()" : "");
  }

  // ---- running ---------------------------------------------------------------------
  function runNow() {
    clearTimeout(timer);
    cancelAnimationFrame(request);
    const started = performance.now();
    const text = source.state.doc.toString();
    const result = kelvo.run(text, { globals: globals(), start: playing ? playing.start : localNow() });
    const ran = performance.now();
    if (playing) playing.first = ran;
    show(result, true);
    const total = performance.now() - started;
    // A run that takes long waits for a pause in typing, as a translation does.
    delay = total > 30 ? Math.min(600, Math.round(total * 1.5)) : 0;
    document.dispatchEvent(new CustomEvent("kelvo-run-rendered", { detail: { bytes: text.length, run: ran - started, total } }));
  }

  // A moment after each change: once the translation is painted, or after
  // a pause in typing once runs take long.
  function changed() {
    clearTimeout(timer);
    cancelAnimationFrame(request);
    if (delay > 0) timer = setTimeout(runNow, delay);
    else request = requestAnimationFrame(() => { timer = setTimeout(runNow, 0); });
  }

  function tick() {
    if (!playing) return;
    const frame = Math.floor(((performance.now() - playing.first) * FPS) / 1000);
    if (frame > playing.shown) {
      playing.shown = frame;
      const result = kelvo.frame(frame, { start: playing.start });
      show(result, frame % LIST_EVERY === 0 || result.gameEnded);
      if (result.gameEnded) return stop();
    }
    playing.request = requestAnimationFrame(tick);
  }

  function play() {
    playing = { start: localNow(), first: 0, shown: 0 };
    $("run-play").textContent = "Stop";
    $("run-play").setAttribute("aria-pressed", "true");
    runNow();
    playing.request = requestAnimationFrame(tick);
  }

  function stop() {
    if (playing) cancelAnimationFrame(playing.request);
    playing = null;
    $("run-play").textContent = "Play frames";
    $("run-play").setAttribute("aria-pressed", "false");
    if (last) showLists(last);
  }

  $("run-play").addEventListener("click", () => (playing ? stop() : play()));

  // ---- from the run to the source, and back -------------------------------------------
  function reveal(from, to) {
    if (!(to >= from) || from < 0) return;
    const length = source.state.doc.length;
    const range = { from: Math.min(from, length), to: Math.min(to, length) };
    source.dispatch({ effects: [setTerm.of(range), EditorView.scrollIntoView(range.from, { y: "nearest" })] });
  }

  for (const id of ["run-trace", "run-faults", "run-messages"]) {
    $(id).addEventListener("click", (event) => {
      const li = event.target.closest("li[data-from]");
      if (li) reveal(Number(li.dataset.from), Number(li.dataset.to));
    });
  }

  // The pixel under the mouse, in the frame's pixels, whatever size the canvas is shown at.
  function pixelAt(event) {
    const box = overlay.getBoundingClientRect();
    return [Math.floor(((event.clientX - box.left) * canvas.width) / box.width),
      Math.floor(((event.clientY - box.top) * canvas.height) / box.height)];
  }

  overlay.addEventListener("click", (event) => {
    if (!last) return;
    const shape = last.shapes[kelvo.shapeAt(...pixelAt(event))];
    if (shape && shape.line > 0) reveal(shape.from, shape.to);
  });

  // What the source line drew, tinted over the canvas; its calls marked in the trace.
  function markRows() {
    for (const li of $("run-trace").children) li.classList.toggle("linked", Number(li.dataset.line) === line);
  }

  function highlightLine(at, again = false) {
    if (at === line && !again) return;
    line = at;
    markRows();
    marks.clearRect(0, 0, overlay.width, overlay.height);
    if (!last || playing || !last.shapes.some((s) => s.line === line)) return;
    owners ??= kelvo.shapeOwners();
    const tint = marks.createImageData(overlay.width, overlay.height);
    for (let i = 0; i < owners.length; ++i) {
      const owner = owners[i];
      if (owner === 0 || last.shapes[owner - 1].line !== line) continue;
      tint.data.set([255, 196, 0, 150], i * 4);
    }
    marks.putImageData(tint, 0, 0);
  }

  return { changed, runNow, stop, get last() { return last; } };
}
