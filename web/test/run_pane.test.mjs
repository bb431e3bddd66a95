// The playground's Run pane in a real browser (Debian's chromium, driven by
// playwright-core): a script typed as a person types it runs a moment
// later; its circle is found by a pixel of the canvas and clicked, which
// highlights the source term that drew it; a row of the trace does the
// same; the source line under the cursor marks what it drew; frames play
// with the clock moving on until the stop button; the host's argument count
// is a warning under its word.
//
// Environment: KELVO_PLAYGROUND (the built page), KELVO_NODE_MODULES (with
// playwright-core).
import assert from "node:assert/strict";
import { after, before, test } from "node:test";
import { openPlayground } from "./serve.mjs";

const env = (name) => process.env[name] ?? assert.fail(`${name} is not set`);
// A blue circle on white at (100, 80), a red one, a message, and a colour
// whose call the host refuses for its argument count.
const script = [
  "clear white",
  "color blue",
  "circle 100 80 20 false",
  "color red",
  "circle 300 200 10 false",
  'message "drawn"',
  "color merge_color red gold",
  "",
].join("\n");

let playground;
let page;
let errors = [];

before(async () => {
  playground = await openPlayground({
    playground: env("KELVO_PLAYGROUND"),
    nodeModules: env("KELVO_NODE_MODULES"),
    viewport: { width: 1500, height: 900 },
  });
  ({ page, errors } = playground);
});

after(async () => {
  await playground?.close();
});

const texts = (selector) => page.evaluate((s) => [...document.querySelectorAll(s)].map((e) => e.textContent), selector);
// The marked term, whatever pieces the editor shows it in.
const marked = async () => (await texts("#source .cm-run-term")).join("");

// The pixels of the canvas in the colour [r, g, b]: how many, and the one
// in their middle (a click lands on a whole screen pixel, so not on an edge).
const pixelsOf = (rgb) => page.evaluate((wanted) => {
  const canvas = document.getElementById("run-canvas");
  const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
  let count = 0;
  let x = 0;
  let y = 0;
  for (let i = 0; i < data.length; i += 4) {
    if (data[i] !== wanted[0] || data[i + 1] !== wanted[1] || data[i + 2] !== wanted[2]) continue;
    ++count;
    x += (i / 4) % canvas.width;
    y += Math.floor(i / 4 / canvas.width);
  }
  return count === 0 ? { count } : { count, x: Math.round(x / count), y: Math.round(y / count) };
}, rgb);

// Clicks the frame at a pixel of it, wherever and however large it is shown.
async function clickPixel({ x, y }) {
  const box = await page.locator("#run-overlay").boundingBox();
  await page.mouse.click(box.x + ((x + 0.5) * box.width) / 640, box.y + ((y + 0.5) * box.height) / 480);
}

test("a typed script runs a moment later: its trace, its message and its fault", async () => {
  await page.click("#source .cm-content");
  await page.keyboard.type(script);
  await page.waitForFunction(() => document.querySelectorAll("#run-messages li").length === 1, null, { timeout: 10_000 });
  // merge_color(255,55295) is refused, so the draw_set_color around it never runs.
  assert.deepEqual(await texts("#run-trace li"), [
    "1: draw_clear(16777215)",
    "2: draw_set_color(16711680)",
    "3: draw_circle(100, 80, 20, 0)",
    "4: draw_set_color(255)",
    "5: draw_circle(300, 200, 10, 0)",
    '6: show_message("drawn")',
  ]);
  assert.deepEqual(await texts("#run-messages li"), ["6: drawn"]);
  assert.deepEqual(await texts("#run-faults li"), ["7: 'merge_color' takes 3 arguments, not 2 [host-wrong-argument-count]"]);
});

test("the host's argument count is a warning under its word, without running", async () => {
  const warned = page.locator("#source .cm-lintRange-warning");
  assert.equal(await warned.count(), 1);
  assert.equal(await warned.textContent(), "merge_color");
  assert.match(await page.locator("#reports").textContent(), /7:7: warning: 'merge_color' takes 3 arguments in the host, not 2/);
});

test("the circle found by a pixel of the canvas and clicked highlights its source term", async () => {
  // The filled circle of radius 20 around (100, 80): 1257 pixels lie at
  // most 20 from its centre (the lattice points of the disc), in blue.
  const blue = await pixelsOf([0, 0, 255]);
  assert.deepEqual(blue, { count: 1257, x: 100, y: 80 });
  await clickPixel(blue);
  assert.equal(await marked(), "circle 100 80 20 false");
  const red = await pixelsOf([255, 0, 0]);
  assert.deepEqual(red, { count: 317, x: 300, y: 200 });
  await clickPixel(red);
  assert.equal(await marked(), "circle 300 200 10 false");
  // The white around them is the clear's.
  await clickPixel({ x: 600, y: 400 });
  assert.equal(await marked(), "clear white");
});

test("a row of the trace, and a fault, highlight their source terms", async () => {
  await page.locator("#run-trace li", { hasText: "draw_circle(100, 80, 20, 0)" }).click();
  assert.equal(await marked(), "circle 100 80 20 false");
  await page.locator("#run-faults li").first().click();
  assert.equal(await marked(), "merge_color red gold");
});

test("the source line under the cursor marks what it drew and called", async () => {
  await page.locator("#source .cm-line", { hasText: /^circle 300 200 10 false$/ }).click();
  await page.waitForFunction(() => document.querySelectorAll("#run-trace li.linked").length === 1);
  assert.deepEqual(await texts("#run-trace li.linked"), ["5: draw_circle(300, 200, 10, 0)"]);
  // The overlay tints the red circle's pixels and nothing of the blue one.
  const tinted = await page.evaluate(() => {
    const overlay = document.getElementById("run-overlay").getContext("2d");
    const at = (x, y) => overlay.getImageData(x, y, 1, 1).data[3] > 0;
    return { red: at(300, 200), blue: at(100, 80), white: at(600, 400) };
  });
  assert.deepEqual(tinted, { red: true, blue: false, white: false });
});

test("frames play with the clock moving on, and the stop button stops them", async () => {
  await page.click("#source .cm-content");
  await page.keyboard.press("ControlOrMeta+a");
  await page.keyboard.press("Delete");
  await page.keyboard.type("print 0 0 c_second\nprint 0 20 c_time\n");
  await page.waitForFunction(() => /^1: draw_text\(0, 0, \d+\)$/.test(document.querySelector("#run-trace li")?.textContent ?? ""));
  await page.click("#run-play");
  assert.equal(await page.getAttribute("#run-play", "aria-pressed"), "true");
  // current_time counts the milliseconds of the game: 33 at frame 1, 1000 at frame 30.
  await page.waitForFunction(() => /^frame (\d+)/.exec(document.getElementById("run-status").textContent)?.[1] >= 40, null, { timeout: 10_000 });
  await page.click("#run-play");
  assert.equal(await page.getAttribute("#run-play", "aria-pressed"), "false");
  const stopped = await page.locator("#run-trace li").nth(1).textContent();
  const time = Number(/draw_text\(0, 20, (\d+)\)/.exec(stopped)[1]);
  assert.ok(time >= 1333, `current_time ${time} at frame 40 or later`);
  const status = await page.locator("#run-status").textContent();
  await page.waitForTimeout(300);
  assert.equal(await page.locator("#run-status").textContent(), status, "no frame runs after the stop");
});

test("the page threw nothing", () => {
  assert.deepEqual(errors, []);
});
