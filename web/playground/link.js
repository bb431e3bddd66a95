// The state of the page in the address: the source and the global
// arguments, in order, so that a link restores them.
//   #source=<text>&real=<name>=<value>&string=<name>=<value>...
// or #example=<name> for one of the bundled examples.

export function writeLink({ source, globals }) {
  const params = new URLSearchParams();
  params.append("source", source);
  for (const { kind, name, value } of globals) params.append(kind, `${name}=${value}`);
  return `#${params}`;
}

export function readLink(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ""));
  const globals = [];
  for (const [key, text] of params) {
    if (key !== "real" && key !== "string") continue;
    const equals = text.indexOf("=");
    globals.push({ kind: key, name: equals < 0 ? text : text.slice(0, equals), value: equals < 0 ? "" : text.slice(equals + 1) });
  }
  return { source: params.get("source"), example: params.get("example"), globals };
}
