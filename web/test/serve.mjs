// A static file server on the loopback address for the page's tests and
// benchmark: what any static hosting does, and nothing more.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";

const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm" };

// Resolves to { url, close() }; `url` ends in a slash.
export function serve(root) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname)).replace(/^([/\\]\.\.)+/, "");
    try {
      const body = await readFile(join(root, path.endsWith("/") ? `${path}index.html` : path));
      response.writeHead(200, { "content-type": types[extname(path) || ".html"] ?? "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done) => server.listen(0, "127.0.0.1", () => done({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((closed) => server.close(closed)),
  })));
}

// playwright-core from the build tree's packages, and Debian's chromium.
export async function launchChromium(nodeModules) {
  const { createRequire } = await import("node:module");
  const { chromium } = createRequire(join(nodeModules, "noop.js"))("playwright-core");
  return chromium.launch({ executablePath: process.env.KELVO_CHROMIUM || "/usr/bin/chromium", args: ["--no-sandbox"] });
}

// The built playground served and opened empty in a page of Debian's
// chromium, every error of the page kept in `errors`. Resolves to
// { server, browser, page, errors, close() }.
export async function openPlayground({ playground, nodeModules, viewport }) {
  const server = await serve(playground);
  const browser = await launchChromium(nodeModules);
  const page = await browser.newPage({ viewport });
  const errors = [];
  page.on("pageerror", (error) => errors.push(String(error)));
  await page.goto(`${server.url}index.html#source=`);
  await page.waitForSelector("#source .cm-content");
  const close = async () => {
    await browser.close();
    await server.close();
  };
  return { server, browser, page, errors, close };
}
