// The playground: the source on the left, translated on every keystroke by
// the WebAssembly module into the host script on the right; messages and
// warnings underlined at their words; the line map highlighted both ways;
// global arguments and the examples; the state in the address.
import { EditorState } from "@codemirror/state";
import { EditorView, drawSelection, highlightSpecialChars, keymap, lineNumbers, tooltips } from "@codemirror/view";
import { defaultKeymap, history, historyKeymap } from "@codemirror/commands";
import { setDiagnostics } from "@codemirror/lint";
import { loadKelvo } from "kelvo-module";
import examples from "kelvo:examples";
import { setWords, sourceColours } from "./colours.js";
import { highlightField, hostRangesOf, lineMap, setHighlight, sourceLinesAt } from "./linemap.js";
import { readLink, writeLink } from "./link.js";
import { explainer, reportList } from "./reports.js";
import { runPane } from "./run.js";
import "./style.css";

const $ = (id) => document.getElementById(id);
const encoder = new TextEncoder();
const kelvo = await loadKelvo({ locateFile: (file) => new URL(file, import.meta.url).href });

let globals = [];     // [{ kind: "real" | "string", name, value }], applied in this order
let map = [];         // the line map of the last translation
let delay = 0;        // the debounce, once translations take long
let lastTotal = 0;
let timer = null;
let lead = null;      // the pane whose cursor the highlight follows
let loading = false;  // the text is being replaced by an example or a link, not edited

// ---- the two panes ------------------------------------------------------------
const common = [lineNumbers(), highlightSpecialChars(), drawSelection(), EditorState.lineSeparator.of("\n"), highlightField];
const onUpdate = (update) => {
  const byUser = update.transactions.some((tr) => ["select", "input", "delete", "undo", "redo"].some((e) => tr.isUserEvent(e)));
  if (byUser) lead = update.view;
  if (update.docChanged && update.view === source) {
    if (!loading) select.value = "";  // the text is no longer the example's
    schedule();
  }
  else if (update.selectionSet && byUser) queueMicrotask(followCursor);
};
const source = new EditorView({
  parent: $("source"),
  state: EditorState.create({
    extensions: [...common, history(), keymap.of([...defaultKeymap, ...historyKeymap]),
      sourceColours(), EditorView.updateListener.of(onUpdate),
      // The notes of an underline stay over the source, never over the host pane.
      tooltips({ tooltipSpace: (view) => view.dom.getBoundingClientRect() })],
  }),
});
const host = new EditorView({
  parent: $("host"),
  state: EditorState.create({ extensions: [...common, EditorState.readOnly.of(true), EditorView.updateListener.of(onUpdate)] }),
});
lead = source;
const run = runPane({ kelvo, source, globals: () => globals, $ });
// The widest a tooltip may be: the source pane's width, as it is now.
new ResizeObserver(() => source.dom.style.setProperty("--pane-width", `${source.dom.clientWidth}px`)).observe(source.dom);

// A click on a report puts the cursor at its word.
function goTo(report) {
  lead = source;
  source.dispatch({ selection: { anchor: report.from }, scrollIntoView: true, userEvent: "select" });
  source.focus();
  followCursor();
}
const explain = explainer(kelvo, $("explanation"));
const reports = reportList($("reports-scroll"), $("reports"), { goTo, explain });

// ---- translating ----------------------------------------------------------------
function schedule() {
  clearTimeout(timer);
  if (delay === 0) queueMicrotask(translateNow);
  else timer = setTimeout(translateNow, delay);
}

// The host pane takes only what changed, so that it keeps its place.
function replaceHost(text) {
  const old = host.state.doc.toString();
  let from = 0;
  while (from < old.length && from < text.length && old.charCodeAt(from) === text.charCodeAt(from)) ++from;
  let end = 0;
  while (end < old.length - from && end < text.length - from &&
         old.charCodeAt(old.length - 1 - end) === text.charCodeAt(text.length - 1 - end)) ++end;
  if (from + end === old.length && old.length === text.length) return;
  host.dispatch({ changes: { from, to: old.length - end, insert: text.slice(from, text.length - end) } });
}

// Reports as underlines, in the kelvo tool's words: a note goes with the
// message or warning before it.
const labelled = (r) => (r.label ? `${r.label}: ${r.printed}` : r.printed);
function diagnostics(list) {
  const out = [];
  let last = null;
  for (const r of list) {
    if (r.severity === "note") {
      if (last) last.message += `\n${labelled(r)}`;
    } else if (r.line === 0) {
      last = null;  // about the run as a whole: in the list only
    } else {
      last = { from: r.markFrom, to: r.markTo, severity: r.severity, message: labelled(r) };
      out.push(last);
    }
  }
  return out;
}

function translateNow() {
  clearTimeout(timer);
  const started = performance.now();
  const bytes = encoder.encode(source.state.doc.toString());
  const result = kelvo.translate(bytes, { globals, analysis: false, hostChecks: true });
  const translated = performance.now();
  map = lineMap(result.lines);
  replaceHost(result.host);
  const marked = setDiagnostics(source.state, diagnostics(result.reports));
  source.dispatch({ effects: [].concat(marked.effects ?? [], setWords.of(result.words)) });
  reports.show(result.reports);
  followCursor();
  run.changed();
  const total = performance.now() - started;
  // Typing stays smooth on a long script: wait for a pause once two
  // translations in a row take longer than a frame or two (one alone may be
  // the first, or a collection of garbage).
  const slow = Math.min(total, lastTotal);
  lastTotal = total;
  delay = slow > 30 ? Math.min(600, Math.round(slow * 1.5)) : 0;
  $("status").textContent = `${bytes.length} bytes in ${total.toFixed(1)} ms` + (delay ? `, translated ${delay} ms after typing stops` : "");
  document.dispatchEvent(new CustomEvent("kelvo-rendered", { detail: { bytes: bytes.length, translate: translated - started, total } }));
  saveLinkSoon();
}

// ---- the line map, both ways ------------------------------------------------------
function highlightSourceLine(line, scroll) {
  const doc = source.state.doc;
  if (line < 1 || line > doc.lines) return;
  const ranges = hostRangesOf(map, line);
  source.dispatch({ effects: setHighlight.of([{ from: doc.line(line).from, to: doc.line(line).from, whole: true }]) });
  host.dispatch({ effects: [setHighlight.of(ranges), ...(scroll && ranges.length ? [EditorView.scrollIntoView(ranges[0].from, { y: "nearest" })] : [])] });
}

function highlightHostText(offset, scroll) {
  const doc = source.state.doc;
  const lines = sourceLinesAt(map, offset).filter((line) => line <= doc.lines);
  host.dispatch({ effects: setHighlight.of(lines.flatMap((line) => hostRangesOf(map, line))) });
  const spots = lines.map((line) => ({ from: doc.line(line).from, to: doc.line(line).from, whole: true }));
  source.dispatch({ effects: [setHighlight.of(spots), ...(scroll && spots.length ? [EditorView.scrollIntoView(spots[0].from, { y: "nearest" })] : [])] });
}

function followCursor() {
  const head = lead.state.selection.main.head;
  if (lead === source) highlightSourceLine(source.state.doc.lineAt(head).number, true);
  else highlightHostText(head, true);
}

let hovered = null;
function hover(view, event) {
  const pos = view.posAtCoords({ x: event.clientX, y: event.clientY });
  const key = pos == null ? null : view === source ? `s${view.state.doc.lineAt(pos).number}` : `h${pos}`;
  if (key === hovered || pos == null) return;
  hovered = key;
  if (view === source) highlightSourceLine(view.state.doc.lineAt(pos).number, false);
  else highlightHostText(pos, false);
}
for (const view of [source, host]) {
  view.contentDOM.addEventListener("mousemove", (event) => hover(view, event));
  view.dom.addEventListener("mouseleave", () => { hovered = null; followCursor(); });
}

// ---- global arguments ---------------------------------------------------------------
function globalRow(entry) {
  const li = document.createElement("li");
  const kind = document.createElement("select");
  kind.innerHTML = "<option>real</option><option>string</option>";
  kind.value = entry.kind;
  const name = Object.assign(document.createElement("input"), { className: "name", placeholder: "name", value: entry.name });
  const value = Object.assign(document.createElement("input"), { className: "value", placeholder: "value", value: entry.value });
  const remove = Object.assign(document.createElement("button"), { type: "button", textContent: "×", title: "remove" });
  kind.setAttribute("aria-label", "kind");
  const changed = () => { Object.assign(entry, { kind: kind.value, name: name.value, value: value.value }); translateNow(); };
  kind.addEventListener("change", changed);
  name.addEventListener("input", changed);
  value.addEventListener("input", changed);
  remove.addEventListener("click", () => { globals = globals.filter((g) => g !== entry); showGlobals(); translateNow(); });
  li.append(kind, name, value, remove);
  return li;
}
const showGlobals = () => $("global-rows").replaceChildren(...globals.map(globalRow));
$("add-global").addEventListener("click", () => {
  globals.push({ kind: "real", name: "", value: "" });
  showGlobals();
  $("global-rows").lastChild.querySelector(".name").focus();
});

// ---- examples and the address --------------------------------------------------------
function load({ name = "", source: text, globals: given }) {
  globals = given.map((g) => ({ ...g }));
  showGlobals();
  loading = true;
  try {
    source.dispatch({ changes: { from: 0, to: source.state.doc.length, insert: text }, selection: { anchor: 0 } });
  } finally {
    loading = false;
  }
  select.value = name;
  translateNow();
}

const select = $("example");
for (const { name } of examples) select.append(new Option(name, name));
select.addEventListener("change", () => {
  const example = examples.find((e) => e.name === select.value);
  $("notice").hidden = true;
  if (example) load(example);
});

const currentLink = () => location.href.replace(/#.*$/, "") + writeLink({ source: source.state.doc.toString(), globals });
let linkTimer = null;
function saveLinkSoon() {
  clearTimeout(linkTimer);
  linkTimer = setTimeout(() => {
    try { window.history.replaceState(null, "", currentLink()); } catch { /* too long for an address */ }
  }, 300);
}
$("copy-link").addEventListener("click", async () => {
  const link = currentLink();
  try {
    window.history.replaceState(null, "", link);
    await navigator.clipboard.writeText(link);
    $("status").textContent = "Link copied";
  } catch {
    $("status").textContent = "Copy the address: it holds the script";
  }
});

// The address: a script of its own, an example by name, or the first example.
const firstExample = "demo";
function restore() {
  const state = readLink(location.hash);
  const wanted = state.example ?? (state.source === null ? firstExample : null);
  const example = wanted === null ? null : examples.find((e) => e.name === wanted) ?? examples.find((e) => e.name === firstExample);
  const notice = $("notice");
  // A script of its own names no example, and needs no notice.
  notice.hidden = wanted === null || example?.name === wanted;
  notice.textContent = notice.hidden ? "" : `No example named '${wanted}': showing '${example?.name ?? "(empty)"}'`;
  load(example ?? { source: state.source ?? "", globals: wanted === null ? state.globals : [] });
}
window.addEventListener("hashchange", restore);
restore();
window.playground = { source, host, kelvo, run };
