// Bundles the playground into static files with esbuild:
//
//   node web/playground/build.mjs --node-modules DIR --module DIR --examples DIR --out DIR
//
// --module is the folder of the WebAssembly build (kelvo.js, kelvo_wasm.mjs,
// kelvo_wasm.wasm); the examples (*.kelvo, with the global arguments of
// expected/NAME.defines) are bundled in. The page needs nothing else: serve
// the --out folder as it is.
import { copyFileSync, existsSync, mkdirSync, readFileSync, readdirSync } from "node:fs";
import { createRequire } from "node:module";
import { basename, dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { parseArgs } from "node:util";

const { values: args } = parseArgs({
  options: { "node-modules": { type: "string" }, module: { type: "string" }, examples: { type: "string" }, out: { type: "string" } },
});
for (const name of ["node-modules", "module", "examples", "out"]) {
  if (!args[name]) throw new Error(`build.mjs: --${name} is missing`);
}
const here = dirname(fileURLToPath(import.meta.url));
const esbuild = createRequire(join(resolve(args["node-modules"]), "noop.js"))("esbuild");

// `--define NAME=VALUE` and `--define-string NAME=VALUE`, one a line.
function definesOf(path) {
  if (!existsSync(path)) return [];
  return readFileSync(path, "utf8").split("\n").filter((line) => line.trim()).map((line) => {
    const [, option, name, value] = /^--(define|define-string) ([^=]*)=(.*)$/.exec(line.trim()) ?? [];
    if (!option) throw new Error(`${path}: not a --define line: ${line}`);
    return { kind: option === "define" ? "real" : "string", name, value };
  });
}

function examples() {
  return readdirSync(args.examples).filter((file) => file.endsWith(".kelvo")).sort().map((file) => {
    const name = basename(file, ".kelvo");
    return {
      name,
      source: readFileSync(join(args.examples, file), "utf8"),
      globals: definesOf(join(args.examples, "expected", `${name}.defines`)),
    };
  });
}

const examplesPlugin = {
  name: "kelvo-examples",
  setup(build) {
    build.onResolve({ filter: /^kelvo:examples$/ }, () => ({ path: "examples", namespace: "kelvo" }));
    build.onLoad({ filter: /.*/, namespace: "kelvo" }, () => ({ contents: JSON.stringify(examples()), loader: "json" }));
  },
};

mkdirSync(args.out, { recursive: true });
await esbuild.build({
  entryPoints: { playground: join(here, "main.js") },
  bundle: true,
  format: "esm",
  target: "es2022",
  minify: true,
  outdir: args.out,
  nodePaths: [resolve(args["node-modules"])],
  alias: { "kelvo-module": join(resolve(args.module), "kelvo.js") },
  plugins: [examplesPlugin],
  logLevel: "warning",
});
copyFileSync(join(args.module, "kelvo_wasm.wasm"), join(args.out, "kelvo_wasm.wasm"));
copyFileSync(join(here, "index.html"), join(args.out, "index.html"));
