// The playground's reports in a real browser (Debian's chromium, driven by
// playwright-core), as an author meets them: the list reads as the native
// kelvo prints to standard error, line for line; a click on a report puts
// the cursor at its word; a missing word is underlined where it can be
// seen; the `function` line and the name and prologue it wrote are linked
// both ways; the Example menu follows the text; every report of a long
// script is in the list; a tooltip stays over the source pane; and the "?"
// of a report opens its explanation where the module has them.
//
// Environment: KELVO_PLAYGROUND (the built page), KELVO_NODE_MODULES (with
// playwright-core), KELVO_TOOL (the native kelvo), KELVO_EXAMPLES.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { openPlayground } from "./serve.mjs";

const env = (name) => process.env[name] ?? assert.fail(`${name} is not set`);

// Scripts whose reports the list must show as the tool prints them: a
// message with its note and its consequence, missing operands, a warning,
// the host's argument count, a control byte and a long word, text beyond
// ASCII, a definition left open.
const cases = [
  ["an unknown word, and what follows from it", "var score 1\nprint 10 10 scroe\n"],
  ["missing operands", "circle 1 2\nvar\nx = 1 +\n"],
  ["warnings", "var a 1\nvar a 2\nmessage \"\"\n"],
  ["the host's argument count", "color merge_color red gold\n"],
  ["a control byte and a long word", `print 1 1 zz\x01${"a".repeat(80)}\n`],
  ["text beyond ASCII", "message \"größe\" wört\ncircle größe 1 2 false\n"],
  ["a definition left open", "function f 1 p\nreturn p\n"],
];

// What the native tool prints on standard error, without the file's name.
function nativeReports(source) {
  const file = join(mkdtempSync(join(tmpdir(), "kelvo-reports-")), "script.kelvo");
  writeFileSync(file, source);
  const run = spawnSync(env("KELVO_TOOL"), ["--no-show-source", "--color=never", file], { encoding: "utf8" });
  assert.ok(run.status === 0 || run.status === 1, `kelvo failed: ${run.stderr}`);
  return run.stderr.split("\n").filter((line) => line).map((line) => line.startsWith(`${file}:`) ? line.slice(file.length + 1).replace(/^ /, "") : line);
}

let playground;
let server;
let browser;
let page;
let errors = [];

before(async () => {
  playground = await openPlayground({
    playground: env("KELVO_PLAYGROUND"),
    nodeModules: env("KELVO_NODE_MODULES"),
    viewport: { width: 1400, height: 900 },
  });
  ({ server, browser, page, errors } = playground);
});

after(async () => {
  await playground?.close();
});

// Replaces the source as a paste does, and waits for its translation.
async function setSource(text) {
  await page.evaluate((t) => new Promise((done) => {
    document.addEventListener("kelvo-rendered", () => done(), { once: true });
    const { source } = window.playground;
    source.dispatch({ changes: { from: 0, to: source.state.doc.length, insert: t }, userEvent: "input.paste" });
  }), text);
}

const rows = () => page.evaluate(() => [...document.querySelectorAll("#reports li")]
  .sort((a, b) => Number(a.getAttribute("aria-posinset")) - Number(b.getAttribute("aria-posinset")))
  .map((li) => li.querySelector(".text").textContent));

test("the list reads as the native kelvo prints, a note under its report", async () => {
  for (const [name, source] of cases) {
    await setSource(source);
    const expected = nativeReports(source);
    assert.ok(expected.length > 0, `${name}: the tool reports something`);
    assert.deepEqual(await rows(), expected, name);
  }
  // No code of the module's own in what is shown, and no label the tool lacks.
  await setSource(cases[1][1]);
  const shown = await page.locator("#reports-pane").textContent();
  assert.doesNotMatch(shown, /unexpected-symbol|missing-operands|error:/);
  // The consequence is a note, drawn under the message it follows from.
  await setSource(cases[0][1]);
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#reports li")].map((li) => li.className)),
    ["error", "note", "note"]);
});

test("an underline's tooltip reads as the tool, and stays over the source pane", async () => {
  await setSource(`var a 1\nvar a 2\nprint 1 1 ${"zz".repeat(30)} ${"yy".repeat(30)}\n`);
  const underlined = page.locator("#source .cm-lintRange-error");
  await underlined.first().hover();
  const tooltip = page.locator(".cm-tooltip-lint");
  await tooltip.waitFor({ timeout: 5000 });
  const text = await tooltip.textContent();
  assert.match(text, /^Unknown variable: z+/);
  assert.match(text, /note: so operand 3 of 'print' is 0/);
  assert.doesNotMatch(text, /unknown-variable|wrong-argument-count|error:/);
  const [tip, pane] = await Promise.all([tooltip.boundingBox(), page.locator("#source").boundingBox()]);
  assert.ok(tip.x >= pane.x - 1 && tip.x + tip.width <= pane.x + pane.width + 1, `tooltip ${JSON.stringify(tip)} in pane ${JSON.stringify(pane)}`);
  await page.mouse.move(0, 0);
  await page.locator("#source .cm-lintRange-warning").first().hover();
  await page.locator(".cm-tooltip-lint", { hasText: /^warning: 'a' is already a variable/ }).waitFor({ timeout: 5000 });
});

test("a click on a report puts the cursor at its word, in the focused editor", async () => {
  await setSource("var score 1\n\nprint 10 10 scroe\ncircle 1 2\n");
  const cursor = () => page.evaluate(() => ({
    head: window.playground.source.state.selection.main.head,
    focused: window.playground.source.hasFocus,
  }));
  await page.locator("#reports li", { hasText: "Unknown variable: scroe" }).click();
  assert.deepEqual(await cursor(), { head: "var score 1\n\nprint 10 10 ".length, focused: true });
  // A missing word: where the tool's column is, at the line's end.
  await page.locator("#reports li", { hasText: /^4:11: Unexpected symbol/ }).click();
  assert.deepEqual(await cursor(), { head: "var score 1\n\nprint 10 10 scroe\ncircle 1 2".length, focused: true });
  // The line of the cursor is highlighted in both panes.
  assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll("#source .cm-linked-line")].map((e) => e.textContent)), ["circle 1 2"]);
});

test("a missing word is underlined on the word missing its operand, or at the line's end", async () => {
  const underlines = async () => page.evaluate(() => [...document.querySelectorAll("#source .cm-lintRange-error")].map((e) => ({
    text: e.textContent, width: e.getBoundingClientRect().width,
  })));
  await setSource("circle 1 2\n");
  const [circle] = await underlines();
  assert.equal(circle.text, "circle");
  assert.ok(circle.width > 0);
  await setSource("var\n");
  const [declared] = await underlines();
  assert.equal(declared.text, "var");
  assert.ok(declared.width > 0);
  assert.equal(await page.locator("#source .cm-lintPoint").count(), 0);
});

test("the function line and the name and prologue it wrote are linked both ways", async () => {
  await setSource("function best 2 a b\nreturn max2 a b\nend\nvar s 0\ns = best 3 4\n");
  const linked = (pane, what) =>
    page.evaluate(([id, cls]) => [...document.querySelectorAll(`#${id} .${cls}`)].map((e) => e.textContent), [pane, what]);
  const line = (pane, text) => page.locator(`#${pane} .cm-line`).filter({ hasText: new RegExp(`^${text.replace(/[()+*]/g, "\\$&")}$`) });
  await line("source", "function best 2 a b").click();
  assert.deepEqual(await linked("host", "cm-linked-line"), ["best='a=argument0", "b=argument1"]);
  await line("host", "return(max(a,b))").hover();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["return max2 a b"]);
  await line("host", "b=argument1").hover();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["function best 2 a b"]);
  await line("host", "best='a=argument0").click();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["function best 2 a b"]);
  assert.deepEqual(await linked("host", "cm-linked-line"), ["best='a=argument0", "b=argument1"]);
});

test("the Example menu follows the text, and names an example it does not have", async () => {
  await page.selectOption("#example", "greeting");
  assert.equal(await page.inputValue("#example"), "greeting");
  await page.click("#source .cm-content");
  await page.keyboard.press("ControlOrMeta+End");
  await page.keyboard.type("x");
  assert.equal(await page.inputValue("#example"), "");
  assert.equal(await page.locator("#example option:checked").textContent(), "(your script)");
  await page.selectOption("#example", "greeting");
  await setSource("var a 1\n");
  assert.equal(await page.inputValue("#example"), "");

  const other = await browser.newPage();
  other.on("pageerror", (error) => errors.push(String(error)));
  await other.goto(`${server.url}index.html#example=nosuch`);
  const notice = other.locator("#notice");
  await notice.waitFor({ state: "visible", timeout: 5000 });
  assert.match(await notice.textContent(), /No example named 'nosuch'/);
  assert.equal(await other.inputValue("#example"), "demo");
  const demo = readFileSync(join(env("KELVO_EXAMPLES"), "demo.kelvo"), "utf8");
  assert.equal(await other.evaluate(() => window.playground.source.state.doc.toString()), demo);
  await other.goto(`${server.url}index.html#example=greeting`);
  await other.reload();
  await other.waitForSelector("#source .cm-content");
  assert.equal(await other.locator("#notice").isVisible(), false);
  // A link with a script of its own, opened in place of the example and
  // afresh: the script, and no word of an example.
  for (const open of [() => other.goto(`${server.url}index.html#source=message%201`), () => other.reload()]) {
    await open();
    await other.waitForFunction(() => window.playground?.source.state.doc.toString() === "message 1");
    assert.equal(await other.locator("#notice").isVisible(), false);
    assert.equal(await other.locator("#example option:checked").textContent(), "(your script)");
  }
  await other.close();
});

test("the list holds every report of a long script, and scrolls to the last", async () => {
  // Each line: a message and the note of its consequence.
  const source = Array.from({ length: 450 }, (_, i) => `message zz${i}`).join("\n") + "\n";
  await setSource(source);
  const expected = nativeReports(source);
  const count = expected.length;
  assert.equal(count, 900);
  assert.equal(await page.getAttribute("#reports", "aria-rowcount"), String(count));
  // Only the rows in view are in the page.
  assert.ok(await page.locator("#reports li").count() < 100);
  await page.locator("#reports-scroll").evaluate((e) => { e.scrollTop = e.scrollHeight; });
  const last = page.locator(`#reports li[aria-posinset="${count}"]`);
  await last.waitFor({ timeout: 5000 });
  assert.equal(await last.locator(".text").textContent(), expected.at(-1));
  assert.ok(await last.isVisible());
  await last.click();
  // The last is the note about `message`: its place is the line's start.
  assert.equal(await page.evaluate(() => window.playground.source.state.selection.main.head), source.lastIndexOf("message"));
  await page.locator("#reports-scroll").evaluate((e) => { e.scrollTop = 0; });
});

// The page the tool prints for a code.
function nativePage(code) {
  const run = spawnSync(env("KELVO_TOOL"), ["--explain", code], { encoding: "utf8" });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout;
}

test("a report's '?' opens the page the tool prints for its code", async () => {
  const shown = "function best 2 a b\nreturn max2 a b\nend\nvar a 1\nvar a 2\nprint 1 1 zz\ncircle 1 2\n";
  await setSource(shown);
  const reports = await page.locator("#reports li").count();
  assert.ok(reports > 0);
  assert.equal(await page.locator("#reports .explain").count(), reports);
  await page.locator("#reports li", { hasText: "Unknown variable: zz" }).locator(".explain").first().click();
  const panel = page.locator("#explanation");
  await panel.waitFor({ state: "visible", timeout: 5000 });
  assert.equal((await panel.locator(".body").textContent()).trim(), nativePage("unknown-variable").trim());
  assert.equal(await panel.locator(".title").textContent(), "Unknown variable: zz");
  // What an author sees: the function line and its prologue, a tooltip, the explanation.
  await page.locator("#source .cm-line", { hasText: /^function best/ }).click();
  await page.locator("#source .cm-lintRange-error", { hasText: "zz" }).hover();
  await page.locator(".cm-tooltip-lint").waitFor({ timeout: 5000 });
  await page.screenshot({ path: process.env.KELVO_SCREENSHOT ?? join(tmpdir(), "kelvo-playground-reports.png") });
  await panel.locator(".close").click();
  assert.equal(await panel.isVisible(), false);
});

test("a module without explanations shows no '?', and one with some links only those", async () => {
  await page.evaluate(() => {
    const { kelvo } = window.playground;
    window.kept = { explain: kelvo.explain, explanations: kelvo.explanations };
    kelvo.explain = undefined;
    kelvo.explanations = undefined;
  });
  await setSource("var a 1\nprint 1 1 zz\n");
  assert.equal(await page.locator("#reports .explain").count(), 0);
  await page.evaluate(() => {
    const { kelvo } = window.playground;
    kelvo.explanations = () => ["unknown-variable"];
    kelvo.explain = (code) => (code === "unknown-variable" ? "A word that names nothing the script declared." : null);
  });
  await setSource("var a 1\nvar a 2\nprint 1 1 zz\n");
  assert.equal(await page.locator("#reports .explain").count(), 1);
  await page.evaluate(() => Object.assign(window.playground.kelvo, window.kept));
});

test("the page threw nothing", () => {
  assert.deepEqual(errors, []);
});
