// Lays out the extension as it is packaged: the two entries bundled with
// esbuild, the language client inside them, the language server's
// WebAssembly module beside them, the grammar, the language configuration,
// the README, the pages of the codes (docs/messages.md) and the manifest.
//
//   node build.mjs --node-modules DIR --module DIR --out DIR
//
// --node-modules holds the packages of package-lock.json (npm ci), --module
// the WebAssembly build (kelvo_lsp.js, kelvo_lsp_wasm.mjs and .wasm). The
// folder --out is then what `vsce package` packs, and a folder that
// `code --extensionDevelopmentPath` runs as it is.
import { copyFileSync, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { parseArgs } from "node:util";

const here = dirname(fileURLToPath(import.meta.url));
const { values } = parseArgs({
  options: { "node-modules": { type: "string" }, module: { type: "string" }, out: { type: "string" } },
});
for (const name of ["node-modules", "module", "out"]) {
  if (!values[name]) throw new Error(`build.mjs needs --${name} DIR`);
}
const nodeModules = resolve(values["node-modules"]);
const moduleDir = resolve(values.module);
const out = resolve(values.out);
const esbuild = createRequire(join(nodeModules, "noop.js"))("esbuild");

// Emptied, not removed: the packaging runs in it next.
mkdirSync(out, { recursive: true });
for (const name of readdirSync(out)) rmSync(join(out, name), { recursive: true, force: true });
mkdirSync(join(out, "dist"), { recursive: true });
mkdirSync(join(out, "syntaxes"), { recursive: true });

// Both entries: CommonJS, as the editor loads extensions, with `vscode`
// left to the editor. The desktop one runs on Node.js; the web one in a
// worker, with nothing of Node.js.
const common = {
  bundle: true,
  format: "cjs",
  external: ["vscode"],
  nodePaths: [nodeModules],
  alias: { "kelvo-lsp": join(moduleDir, "kelvo_lsp.js") },
  // The emscripten glue names import.meta.url for where it was loaded from;
  // it is always handed the module's bytes, so it never looks.
  define: { "import.meta.url": "undefined" },
  minify: true,
  sourcemap: false,
  logLevel: "warning",
  legalComments: "none",
};
// Each entry and the bundle it becomes, as the manifest names them.
const bundles = [
  { entry: "node.js", bundle: "extension.js", platform: "node", target: "node18" },
  { entry: "browser.js", bundle: "web.js", platform: "browser", mainFields: ["browser", "module", "main"], target: "es2022" },
];
for (const { entry, bundle, ...flavour } of bundles) {
  await esbuild.build({ ...common, ...flavour, entryPoints: [join(here, entry)], outfile: join(out, "dist", bundle) });
}

copyFileSync(join(moduleDir, "kelvo_lsp_wasm.wasm"), join(out, "dist", "kelvo_lsp_wasm.wasm"));
copyFileSync(join(here, "..", "kelvo.tmLanguage.json"), join(out, "syntaxes", "kelvo.tmLanguage.json"));
copyFileSync(join(here, "language-configuration.json"), join(out, "language-configuration.json"));
copyFileSync(join(here, "README.md"), join(out, "README.md"));
// The pages that each diagnostic links to (the initialization option explanations).
copyFileSync(join(here, "..", "..", "docs", "messages.md"), join(out, "messages.md"));

// The manifest without the packages: they are inside the bundles.
const manifest = JSON.parse(readFileSync(join(here, "package.json"), "utf8"));
delete manifest.dependencies;
delete manifest.devDependencies;
// What vsce packs, beside the manifest and the README.
manifest.files = ["dist", "syntaxes", "language-configuration.json", "messages.md"];
writeFileSync(join(out, "package.json"), `${JSON.stringify(manifest, null, 2)}\n`);
