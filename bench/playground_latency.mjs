// Keystroke to redraw in the playground, in Debian's chromium: a 100 KB and
// a 1 MB script (the examples one after another), typed into as a person
// types. Prints the built page's sizes and, per size, the median and the
// slowest of:
//   frame      keydown to the first frame painted after it (what typing feels like)
//   redraw     keydown to both panes redrawn with the new translation, painted
//   translate  the module's translation alone
// Then the Run pane, on 100 KB: the examples as above and a script that
// runs from start to end without a fault (the source of
// BM_PreviewRunning100KB in bench/preview_run.cpp), per script:
//   run pane   keydown to the first frame painted after the Run pane took
//              the new run (after the translation, and once runs take
//              longer than 30 ms, after the pause in typing it then waits for)
//   run        the module's translation and run alone (kelvo.run)
//   redrawn    the run and the redraw of the pane: frame, lists, highlight
// Not a test: nothing is judged. Run after the WebAssembly build:
//   node bench/playground_latency.mjs build-wasm [keystrokes]
import { readFileSync, readdirSync, statSync } from "node:fs";
import { join, resolve } from "node:path";
import { launchChromium, serve } from "../web/test/serve.mjs";

const build = resolve(process.argv[2] ?? "build-wasm");
const keystrokes = Number(process.argv[3] ?? 30);
const page_dir = join(build, "playground");

for (const file of readdirSync(page_dir).sort()) console.log(`${file}: ${statSync(join(page_dir, file)).size} bytes`);

const examples = join(import.meta.dirname, "..", "examples");
const pieces = readdirSync(examples).filter((f) => f.endsWith(".kelvo")).sort().map((f) => readFileSync(join(examples, f), "utf8"));
function script(bytes) {
  let text = "";
  for (let i = 0; text.length < bytes; ++i) text += pieces[i % pieces.length];
  return text;
}

// The source of BM_PreviewRunning100KB (bench/preview_run.cpp): a user
// script, variables, loops that draw, texts and maths, in blocks of a few
// dozen lines, each with names of its own.
function runningScript(bytes) {
  let source = "function step 2 pos limit\nvar next 0\nnext = next + pos\nnext += 1\nif limit - next\n{\nreturn next\n}\nreturn 0\nend\n";
  for (let block = 0; source.length < bytes; ++block) {
    const n = String(block);
    source += `var x${n} ${block % 600}\nvar y${n} 20\nvar s${n} "Score:"\nx${n} += 4\ny${n} = step y${n} 480\ncolor rgb ${block % 256} 128 64\n` +
      `repeat 3\n{\ncircle x${n} y${n} 8 false\nline x${n} y${n} 320 240\n}\nif 640 - x${n}\n{\nx${n} -= 8\n}\nelse\n{\nx${n} = x${n}\n}\n` +
      `print 10 10 s${n}\nprint 90 10 x${n}\nvar d${n} 0\nd${n} = distance 0 0 x${n} y${n}\nrectangle 5 5 d${n} 40 true\n` +
      `var t${n} 0\nt${n} = text_length s${n}\n`;
  }
  return source;
}

const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];
const percentile = (list, p) => [...list].sort((a, b) => a - b)[Math.min(list.length - 1, Math.floor(list.length * p))];
const show = (name, list) =>
  `${name} median ${median(list).toFixed(1)} ms, 90% ${percentile(list, 0.9).toFixed(1)} ms, slowest ${Math.max(...list).toFixed(1)} ms`;

const server = await serve(page_dir);
const browser = await launchChromium(join(build, "web", "node_modules"));
try {
  for (const size of [100_000, 1_000_000]) {
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    await page.goto(`${server.url}index.html#source=`);
    await page.waitForSelector("#source .cm-content");
    await page.evaluate((text) => {
      const { source } = window.playground;
      source.dispatch({ changes: { from: 0, insert: text }, selection: { anchor: Math.floor(text.length / 2) } });
      source.focus();
      window.bench = { frames: [], redraws: [], translations: [] };
      let down = 0;
      document.addEventListener("keydown", () => {
        const at = performance.now();
        down = at;
        requestAnimationFrame(() => setTimeout(() => window.bench.frames.push(performance.now() - at)));
      }, true);
      document.addEventListener("kelvo-rendered", (event) => {
        window.bench.translations.push(event.detail.translate);
        requestAnimationFrame(() => setTimeout(() => window.bench.redraws.push(performance.now() - down)));
      });
    }, script(size));
    await page.waitForTimeout(1500);  // the first translation, and the debounce it sets
    await page.evaluate(() => { window.bench = { frames: [], redraws: [], translations: [] }; });
    // One key at a time, each after the last one's redraw: the time to redraw.
    for (let i = 0; i < keystrokes; ++i) {
      const before = await page.evaluate(() => window.bench.redraws.length);
      await page.keyboard.press(i % 2 ? "Backspace" : "x");
      await page.waitForFunction((n) => window.bench.redraws.length > n, before, { timeout: 10000 });
    }
    const one = await page.evaluate(() => window.bench);
    // A burst typed at 10 keys a second: typing stays smooth, and the redraw
    // follows the last key.
    await page.evaluate(() => { window.bench = { frames: [], redraws: [], translations: [] }; });
    await page.keyboard.type("y".repeat(20), { delay: 100 });
    await page.waitForFunction(() => window.bench.redraws.length > 0, null, { timeout: 10000 });
    await page.waitForTimeout(1000);
    const burst = await page.evaluate(() => window.bench);
    const status = await page.locator("#status").textContent();
    console.log(`\n${size} bytes (${status})`);
    console.log(`  one key at a time (${keystrokes}):\n    ${show("redraw", one.redraws)}\n    ${show("translate", one.translations)}\n    ${show("frame", one.frames)}`);
    if (process.env.BENCH_ALL) console.log(one.redraws.map((t) => t.toFixed(0)).join(" "));
    console.log(`  20 keys at 10/s:\n    ${show("frame", burst.frames)}\n    ${burst.redraws.length} redraws, the last ${burst.redraws.at(-1).toFixed(1)} ms after the last key`);
    await page.close();
  }
  // The Run pane: keystroke to its redraw, one key at a time.
  for (const [name, text] of [["the examples", script(100_000)], ["a script that runs", runningScript(100_000)]]) {
    const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
    await page.goto(`${server.url}index.html#source=`);
    await page.waitForSelector("#source .cm-content");
    await page.evaluate((t) => {
      const { source } = window.playground;
      // A line at the end, where the key changes a comment: the script runs as it is.
      source.dispatch({ changes: { from: 0, insert: `${t}// ` }, selection: { anchor: t.length + 3 } });
      source.focus();
      window.bench = { runs: [], totals: [], panes: [] };
      let down = 0;
      document.addEventListener("keydown", () => { down = performance.now(); }, true);
      document.addEventListener("kelvo-run-rendered", (event) => {
        window.bench.runs.push(event.detail.run);
        window.bench.totals.push(event.detail.total);
        requestAnimationFrame(() => setTimeout(() => window.bench.panes.push(performance.now() - down)));
      });
    }, text);
    await page.waitForTimeout(2000);
    await page.evaluate(() => { window.bench = { runs: [], totals: [], panes: [] }; });
    for (let i = 0; i < keystrokes; ++i) {
      const before = await page.evaluate(() => window.bench.panes.length);
      await page.keyboard.press(i % 2 ? "Backspace" : "x");
      await page.waitForFunction((n) => window.bench.panes.length > n, before, { timeout: 10000 });
    }
    const got = await page.evaluate(() => window.bench);
    const status = await page.locator("#run-status").textContent();
    console.log(`\nRun pane, ${text.length} bytes, ${name} (${status}):\n    ${show("run pane", got.panes)}\n    ${show("run", got.runs)}\n    ${show("redrawn", got.totals)}`);
    await page.close();
  }
} finally {
  await browser.close();
  await server.close();
}
