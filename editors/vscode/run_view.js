'use strict';
// The run view: "Kelvo: Show the run" opens a panel beside the source with
// what its host script does when the preview host runs it, from the
// language server's kelvo/run: the frame as SVG, the messages it shows,
// the faults the engine would meet and every host call made, renewed as
// the author types. Clicking a call, a fault, a message or a shape of the
// frame selects the source term that wrote it.

const vscode = require('vscode');

const VIEW_TYPE = 'kelvo.run';
const REFRESH_DELAY = 100; // milliseconds, as the host view waits
const SHOWN_ROWS = 1000; // of the trace; the rest are counted

// The page of the panel: its script draws what the extension posts, and
// posts back the range of what was clicked.
function panelHtml(nonce, cspSource) {
  return `<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; img-src ${cspSource} data:; style-src 'unsafe-inline'; script-src 'nonce-${nonce}';">
<style>
body { font-family: var(--vscode-font-family); color: var(--vscode-foreground); padding: 0 8px; }
#frame svg { width: 100%; height: auto; max-width: 640px; border: 1px solid var(--vscode-panel-border); cursor: crosshair; }
h3 { font-size: 0.9em; margin: 0.8em 0 0.2em; }
ol { font-family: var(--vscode-editor-font-family); font-size: var(--vscode-editor-font-size); margin: 0; padding-left: 3em; }
li[data-index] { cursor: pointer; }
li[data-index]:hover { background: var(--vscode-list-hoverBackground); }
#faults li { color: var(--vscode-errorForeground); }
#status { opacity: 0.8; }
</style>
</head>
<body>
<div id="status"></div>
<div id="frame"></div>
<h3>Messages</h3><ol id="messages"></ol>
<h3>Faults</h3><ol id="faults"></ol>
<h3>Trace</h3><ol id="trace"></ol>
<script nonce="${nonce}">
const vscode = acquireVsCodeApi();
let run = null;
const place = (r) => (r.range ? (r.range.start.line + 1) + ': ' : '');
function list(id, rows, text, more) {
  const ol = document.getElementById(id);
  ol.replaceChildren(...rows.map((r, i) => {
    const li = document.createElement('li');
    li.textContent = place(r) + text(r);
    if (r.range) { li.dataset.index = i; li.dataset.list = id; }
    return li;
  }));
  if (more > 0) ol.append(Object.assign(document.createElement('li'), { textContent: '\u2026 ' + more + ' more' }));
}
window.addEventListener('message', (event) => {
  if (event.data.type !== 'run') return;
  run = event.data.run;
  document.getElementById('frame').innerHTML = run.svg;
  const faults = run.faults.length ? ', ' + run.faults.length + ' faults' : '';
  document.getElementById('status').textContent = run.steps + ' steps' + faults + (run.gameEnded ? ', game_end()' : '');
  list('messages', run.messages, (m) => m.text, run.dropped.messages);
  list('faults', run.faults, (f) => f.message + ' [' + f.code + ']', run.dropped.faults);
  const shown = run.trace.slice(0, ${SHOWN_ROWS});
  list('trace', shown, (t) => '  '.repeat(t.depth) + t.text, run.trace.length - shown.length + run.dropped.trace);
});
const reveal = (row) => row && row.range && vscode.postMessage({ type: 'reveal', range: row.range });
document.addEventListener('click', (event) => {
  if (!run) return;
  const li = event.target.closest('li[data-index]');
  if (li) return reveal(run[li.dataset.list][Number(li.dataset.index)]);
  // A shape: the elements of the frame with a data-range, in the order of run.shapes.
  const shape = event.target.closest('[data-range]');
  if (!shape) return;
  const index = [...document.querySelectorAll('#frame [data-range]')].indexOf(shape);
  reveal(run.shapes[index]);
});
</script>
</body>
</html>`;
}

function nonce() {
  const letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789';
  let text = '';
  for (let i = 0; i < 32; ++i) text += letters[Math.floor(Math.random() * letters.length)];
  return text;
}

const rangeOf = (r) => new vscode.Range(r.start.line, r.start.character, r.end.line, r.end.character);

// Calls `refresh` once `delay` ms pass without another call for the same
// key (in `timers`), and resolves when it is done; a failed refresh is
// dropped, as the next change tries again.
function afterPause(timers, key, delay, refresh) {
  clearTimeout(timers.get(key));
  return new Promise((resolve) => {
    timers.set(key, setTimeout(() => resolve(refresh().catch(() => undefined)), delay));
  });
}

class RunView {
  // `client()` gives the running language client, if any.
  constructor(client) {
    this.client = client;
    this.panels = new Map(); // source uri -> panel
    this.timers = new Map();
  }

  async show() {
    const editor = vscode.window.activeTextEditor;
    if (!editor || editor.document.languageId !== 'kelvo') {
      vscode.window.showErrorMessage('Kelvo: the run needs a kelvo document in the active editor.');
      return undefined;
    }
    const uri = editor.document.uri;
    const key = uri.toString();
    let panel = this.panels.get(key);
    if (panel) {
      panel.reveal(vscode.ViewColumn.Beside, true);
    } else {
      const name = uri.path.slice(uri.path.lastIndexOf('/') + 1);
      panel = vscode.window.createWebviewPanel(VIEW_TYPE, `Run: ${name}`,
        { viewColumn: vscode.ViewColumn.Beside, preserveFocus: true }, { enableScripts: true });
      panel.webview.html = panelHtml(nonce(), panel.webview.cspSource);
      panel.webview.onDidReceiveMessage((message) => this.received(uri, message));
      panel.onDidDispose(() => {
        this.panels.delete(key);
        clearTimeout(this.timers.get(key));
      });
      this.panels.set(key, panel);
    }
    await this.refresh(uri);
    return panel;
  }

  async refresh(uri) {
    const client = this.client();
    const panel = this.panels.get(uri.toString());
    if (!client || !panel) return;
    const run = await client.sendRequest('kelvo/run', { textDocument: { uri: uri.toString() }, frame: 0 });
    await panel.webview.postMessage({ type: 'run', run });
  }

  // After a pause in typing, once the language client has sent the change.
  documentChanged(event) {
    const key = event.document.uri.toString();
    if (!this.panels.has(key)) return undefined;
    return afterPause(this.timers, key, REFRESH_DELAY, () => this.refresh(event.document.uri));
  }

  // A click in the panel: the source term it names, selected and shown.
  async received(uri, message) {
    if (!message || message.type !== 'reveal' || !message.range) return undefined;
    const range = rangeOf(message.range);
    const shown = vscode.window.visibleTextEditors.find((e) => e.document.uri.toString() === uri.toString());
    const options = { selection: range, preserveFocus: false, preview: false };
    if (shown) options.viewColumn = shown.viewColumn;
    return vscode.window.showTextDocument(shown ? shown.document : uri, options);
  }
}

module.exports = { RunView, panelHtml, afterPause };
