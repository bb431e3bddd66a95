'use strict';
// Tokenises text with the editor grammar through the same TextMate engine and
// regular-expression library that the editor runs, and finds the tokens of
// one word of a line.

const fs = require('fs');
const path = require('path');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const ROOT = path.resolve(__dirname, '..', '..');
const GRAMMAR_PATH = path.join(ROOT, 'editors', 'kelvo.tmLanguage.json');

let onigLib;
function loadOniguruma() {
  if (!onigLib) {
    const wasmPath = path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm');
    const wasm = fs.readFileSync(wasmPath);
    onigLib = oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength))
      .then(() => ({
        createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
        createOnigString: (text) => new oniguruma.OnigString(text),
      }));
  }
  return onigLib;
}

function readGrammarJson() {
  return JSON.parse(fs.readFileSync(GRAMMAR_PATH, 'utf8'));
}

async function loadGrammar() {
  const registry = new vsctm.Registry({
    onigLib: loadOniguruma(),
    loadGrammar: async (scopeName) => (scopeName === 'source.kelvo'
      ? vsctm.parseRawGrammar(fs.readFileSync(GRAMMAR_PATH, 'utf8'), GRAMMAR_PATH)
      : null),
  });
  const grammar = await registry.loadGrammar('source.kelvo');
  if (!grammar) {
    throw new Error(`no grammar source.kelvo in ${GRAMMAR_PATH}`);
  }
  return grammar;
}

// Lines of text, each with its tokens: { start, end, text, scopes }. The
// state runs on from line to line, as in an editor.
function tokenize(grammar, text) {
  let state = vsctm.INITIAL;
  return text.split('\n').map((line) => {
    const result = grammar.tokenizeLine(line, state);
    state = result.ruleStack;
    const tokens = result.tokens.map((t) => ({
      start: t.startIndex,
      end: Math.min(t.endIndex, line.length),
      text: line.slice(t.startIndex, t.endIndex),
      scopes: t.scopes,
    }));
    return { text: line, tokens };
  });
}

// The column of the n-th (from 1) appearance of `word` in the line that is
// not part of a longer run of non-blank characters.
function columnOf(lineText, word, nth = 1) {
  let seen = 0;
  for (let at = lineText.indexOf(word); at >= 0; at = lineText.indexOf(word, at + 1)) {
    const before = at === 0 ? ' ' : lineText[at - 1];
    const after = at + word.length >= lineText.length ? ' ' : lineText[at + word.length];
    if (/[ \t;]/.test(before) && /[ \t;]/.test(after)) {
      seen += 1;
      if (seen === nth) {
        return at;
      }
    }
  }
  return -1;
}

// The tokens that cover columns [start, end) exactly. Returns null when a
// token reaches over either edge: the text is then part of a larger token.
function tokensCovering(line, start, end) {
  const inside = line.tokens.filter((t) => t.end > start && t.start < end);
  if (inside.length === 0 || inside[0].start !== start || inside[inside.length - 1].end !== end) {
    return null;
  }
  return inside;
}

// True when a scope list holds `scope` or a scope below it.
function hasScope(scopes, scope) {
  return scopes.some((s) => s === scope || s.startsWith(`${scope}.`));
}

module.exports = { ROOT, GRAMMAR_PATH, readGrammarJson, loadGrammar, tokenize, columnOf, tokensCovering, hasScope };
