// The playground in a real browser (Debian's chromium, driven by
// playwright-core), served from a loopback static server as static hosting
// would serve it. A script is typed as a person types it; the host pane must
// be byte for byte what the native kelvo gives for the same script.
//
// Environment: KELVO_PLAYGROUND (the built page), KELVO_NODE_MODULES (with
// playwright-core), KELVO_TOOL (the native kelvo), KELVO_EXAMPLES.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, test } from "node:test";
import { launchChromium, serve } from "./serve.mjs";

const env = (name) => process.env[name] ?? assert.fail(`${name} is not set`);
const script = [
  "function best 2 a b",
  "return max2 a b",
  "end",
  "var score 10",
  "var score 5",
  "print 10 10 player",
  "score += scroe",
  "circle score 20 5 false",
  "score = best 3 4",
  "",
].join("\n");

// What the native tool prints for a source and its --define options.
function nativeHost(source, defines) {
  const file = join(mkdtempSync(join(tmpdir(), "kelvo-browser-")), "script.kelvo");
  writeFileSync(file, source);
  const run = spawnSync(env("KELVO_TOOL"), [...defines, file]);
  assert.ok(run.status === 0 || run.status === 1, `kelvo failed: ${run.stderr}`);
  return run.stdout;
}

let server;
let browser;
let context;
let page;
const requested = [];
const errors = [];

before(async () => {
  server = await serve(env("KELVO_PLAYGROUND"));
  browser = await launchChromium(env("KELVO_NODE_MODULES"));
  context = await browser.newContext({ permissions: ["clipboard-read", "clipboard-write"] });
  context.on("request", (request) => requested.push(request.url()));
  page = await context.newPage();
  page.on("pageerror", (error) => errors.push(String(error)));
  await page.goto(`${server.url}index.html#source=`);
  await page.waitForSelector("#source .cm-content");
});

after(async () => {
  await browser?.close();
  await server?.close();
});

const paneText = (p, pane) =>
  p.evaluate((id) => [...document.querySelectorAll(`#${id} .cm-line`)].map((line) => line.textContent).join("\n"), pane);

// Waits until the pane shows `expected`; fails with what it shows instead.
async function expectPane(p, pane, expected) {
  try {
    await p.waitForFunction(([id, text]) =>
      [...document.querySelectorAll(`#${id} .cm-line`)].map((line) => line.textContent).join("\n") === text,
      [pane, expected], { timeout: 5000 });
  } catch {
    assert.equal(await paneText(p, pane), expected, `the ${pane} pane`);
  }
}

const line = (pane, text) => page.locator(`#${pane} .cm-line`).filter({ hasText: new RegExp(`^${text.replace(/[()+*]/g, "\\$&")}$`) });
const linked = (pane, what) =>
  page.evaluate(([id, cls]) => [...document.querySelectorAll(`#${id} .${cls}`)].map((e) => e.textContent), [pane, what]);

test("the host pane follows every keystroke, byte for byte as the native kelvo", async () => {
  await page.click("#source .cm-content");
  await page.keyboard.type("var score 10\n");
  await expectPane(page, "host", nativeHost("var score 10\n", []).toString());
  await page.keyboard.press("ControlOrMeta+a");
  await page.keyboard.press("Delete");
  await page.keyboard.type(script);
  await expectPane(page, "source", script);
  await expectPane(page, "host", nativeHost(script, []).toString());

  await page.click("#add-global");
  const row = page.locator("#global-rows li").last();
  await row.locator("select").selectOption("string");
  await row.locator(".name").fill("player");
  await row.locator(".value").fill("Ann");
  const expected = nativeHost(script, ["--define-string", "player=Ann"]);
  await expectPane(page, "host", expected.toString());
  assert.deepEqual(Buffer.from(await paneText(page, "host")), expected);
});

test("a message's and a warning's underlines sit on their words, with the note on hover", async () => {
  const underlined = page.locator("#source .cm-lintRange-error");
  assert.equal(await underlined.count(), 1);
  assert.equal(await underlined.textContent(), "scroe");
  assert.equal(await underlined.evaluate((e) => e.closest(".cm-line").textContent), "score += scroe");
  await underlined.hover();
  const tooltip = page.locator(".cm-tooltip-lint");
  await tooltip.waitFor({ timeout: 5000 });
  assert.match(await tooltip.textContent(), /Unknown variable: scroe[\s\S]*did you mean 'score'\?/);
  assert.match(await page.locator("#reports").textContent(), /7:10: Unknown variable: scroe/);

  const warned = page.locator("#source .cm-lintRange-warning");
  assert.equal(await warned.count(), 1);
  assert.equal(await warned.textContent(), "score");
  assert.equal(await warned.evaluate((e) => e.closest(".cm-line").textContent), "var score 5");
  await page.mouse.move(0, 0);
  await warned.hover();
  await page.locator(".cm-tooltip-lint", { hasText: "'score' is already a variable" }).waitFor({ timeout: 5000 });
  await page.screenshot({ path: join(tmpdir(), "kelvo-playground.png") });
});

test("a source line highlights the host text it became", async () => {
  await line("source", "circle score 20 5 false").click();
  assert.deepEqual(await linked("host", "cm-linked-text"), ["draw_circle(score,20,5,0)"]);
  assert.deepEqual(await linked("source", "cm-linked-line"), ["circle score 20 5 false"]);
  // A line inside a definition: its text stands in the definition, at the top.
  await line("source", "return max2 a b").click();
  assert.deepEqual(await linked("host", "cm-linked-text"), ["return(max(a,b))"]);
  // The mouse over a line, without a click.
  await line("source", "print 10 10 player").hover();
  assert.deepEqual(await linked("host", "cm-linked-text"), ['draw_text(10,10,"Ann")']);
});

test("host text highlights the source line it came from", async () => {
  await line("host", "score=execute_string(best,3,4)").click();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["score = best 3 4"]);
  assert.deepEqual(await linked("host", "cm-linked-text"), ["score=execute_string(best,3,4)"]);
  await line("host", "b=argument1").hover();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["function best 2 a b"]);  // the prologue comes from its line
  await line("host", "draw_text(10,10,\"Ann\")").hover();
  assert.deepEqual(await linked("source", "cm-linked-line"), ["print 10 10 player"]);
});

test("a copied link restores the source and the globals", async () => {
  await page.click("#copy-link");
  await page.locator("#status", { hasText: "Link copied" }).waitFor({ timeout: 5000 });
  const link = await page.evaluate(() => navigator.clipboard.readText());
  assert.ok(link.startsWith(server.url), link);

  const other = await (await browser.newContext()).newPage();
  other.on("pageerror", (error) => errors.push(String(error)));
  await other.goto(link);
  await expectPane(other, "source", script);
  const rows = other.locator("#global-rows li");
  assert.equal(await rows.count(), 1);
  assert.equal(await rows.locator("select").inputValue(), "string");
  assert.equal(await rows.locator(".name").inputValue(), "player");
  assert.equal(await rows.locator(".value").inputValue(), "Ann");
  await expectPane(other, "host", nativeHost(script, ["--define-string", "player=Ann"]).toString());
});

test("an example picked from the list comes with its globals", async () => {
  await page.selectOption("#example", "greeting");
  const examples = env("KELVO_EXAMPLES");
  const defines = readFileSync(join(examples, "expected", "greeting.defines"), "utf8").trim().split("\n").flatMap((l) => l.split(/ (.*)/s, 2));
  await expectPane(page, "host", readFileSync(join(examples, "expected", "greeting.host"), "utf8"));
  await expectPane(page, "host", nativeHost(readFileSync(join(examples, "greeting.kelvo")), defines).toString());
  assert.equal(await page.locator("#global-rows li").count(), 2);
});

// The colours come from what the translator took each word for: every kind
// of word, numbers that are none, a parameter inside and outside its
// definition, a word its line drops, and a comment after a quoted string.
test("each word looks as the translator took it", async () => {
  const colours = [
    "var x 1", "function f 1 p", "return p", "end", "message p", "message -5", "message 3.5",
    "x = x + 1", "f 2", "circle 1 2 3 true", 'message "a b" // after', "zz 7", "print 0 0 who", "",
  ].join("\n");
  const other = await context.newPage();
  other.on("pageerror", (error) => errors.push(String(error)));
  await other.goto(`${server.url}index.html#source=${encodeURIComponent(colours)}&string=who=Ann`);
  await expectPane(other, "source", colours);
  await other.waitForFunction(() => document.querySelectorAll("#source .k-unknown").length >= 4);
  const seen = await other.evaluate(() => [...document.querySelectorAll("#source .cm-line")].map((line) =>
    [...line.querySelectorAll("[class*='k-']")].map((e) => `${e.textContent}=${[...e.classList].find((c) => c.startsWith("k-"))}`).join(" ")));
  assert.deepEqual(seen, [
    "var=k-declaration x=k-variable-name 1=k-number",
    "function=k-declaration f=k-script-name 1=k-number p=k-parameter-name",
    "return=k-flow p=k-parameter",
    "end=k-declaration",
    "message=k-call p=k-unknown",
    "message=k-call -5=k-unknown",
    "message=k-call 3.5=k-unknown",
    "x=k-variable ==k-operator x=k-variable +=k-operator 1=k-number",
    "f=k-script 2=k-number",
    "circle=k-call 1=k-number 2=k-number 3=k-number true=k-constant",
    'message=k-call "a b"=k-string // after=k-comment',
    "zz=k-unknown 7=k-dropped",
    "print=k-call 0=k-number 0=k-number who=k-string-global",
    "",
  ]);
  await other.close();
});

test("nothing was fetched from elsewhere, and the page threw nothing", () => {
  assert.ok(requested.length > 0);
  assert.deepEqual(requested.filter((url) => !url.startsWith(server.url)), []);
  assert.deepEqual(errors, []);
});
