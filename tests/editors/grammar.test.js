'use strict';
// The editor grammar seen as an editor sees it: the example script and
// hand-written lines tokenised with the editor's own TextMate engine, each
// checked against scopes written down by hand, and the grammar's vocabulary
// checked against a hand-copied list of every keyword and constant.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { ROOT, readGrammarJson, loadGrammar, tokenize, columnOf, tokensCovering, hasScope } = require('./tokenize');

const COMMENT = 'comment.line.double-slash.kelvo';
const STRING = 'string.quoted.double.kelvo';
const NUMBER = 'constant.numeric.integer.kelvo';
const OPERATOR = 'keyword.operator.kelvo';
const CONTROL = 'keyword.control.kelvo';
const BUILTIN = 'support.function.builtin.kelvo';
const CONSTANT = 'constant.language.kelvo';
const SEPARATOR = 'punctuation.separator.statement.kelvo';
const CONTINUATION = 'punctuation.separator.continuation.line.kelvo';
const DECLARATION = 'storage.type.kelvo';
const FUNCTION_KEYWORD = 'storage.type.function.kelvo';
const VAR_KEYWORD = 'storage.type.variable.kelvo';
const FUNCTION_NAME = 'entity.name.function.kelvo';
const VARIABLE_NAME = 'variable.other.definition.kelvo';

// Every scope family that marks a word as vocabulary or literal.
const MEANINGFUL = ['keyword', 'storage', 'support', 'constant', 'string', 'comment', 'entity', 'variable', 'punctuation'];

let grammar;
test.before(async () => {
  grammar = await loadGrammar();
});

// Checks the text at [start, end) of line `lineIndex` (from 0): `scope` null
// means one plain token with no scope but the grammar's own; otherwise every
// token there carries each scope of `scope`, and none of `absent`.
function expectRange(lines, lineIndex, start, end, scope, absent = []) {
  const line = lines[lineIndex];
  const where = `line ${lineIndex + 1} ${JSON.stringify(line.text)}, columns ${start}-${end} ` +
    `${JSON.stringify(line.text.slice(start, end))}`;
  const covering = tokensCovering(line, start, end);
  assert.ok(covering, `${where}: not a token of its own: ${JSON.stringify(line.tokens)}`);
  if (scope === null) {
    assert.equal(covering.length, 1, `${where}: split into ${covering.length} tokens`);
    assert.deepEqual(covering[0].scopes, ['source.kelvo'], `${where}: expected no scope`);
    return;
  }
  const wanted = Array.isArray(scope) ? scope : [scope];
  for (const token of covering) {
    for (const s of wanted) {
      assert.ok(token.scopes.includes(s), `${where}: token ${JSON.stringify(token.text)} has ${token.scopes.join(' ')}, not ${s}`);
    }
    for (const s of absent) {
      assert.ok(!hasScope(token.scopes, s), `${where}: token ${JSON.stringify(token.text)} has ${token.scopes.join(' ')}, also ${s}`);
    }
  }
}

function expectWord(lines, lineIndex, word, scope, nth = 1, absent = []) {
  const column = columnOf(lines[lineIndex].text, word, nth);
  assert.ok(column >= 0, `no word ${JSON.stringify(word)} (${nth}) in line ${lineIndex + 1} ${JSON.stringify(lines[lineIndex].text)}`);
  expectRange(lines, lineIndex, column, column + word.length, scope, absent);
}

test.describe('the example script', () => {
  let lines;
  test.before(() => {
    lines = tokenize(grammar, fs.readFileSync(path.join(ROOT, 'examples', 'demo.kelvo'), 'utf8'));
  });

  // [physical line from 1, word, scope (null: none), which appearance]
  const words = [
    [4, 'function', FUNCTION_KEYWORD],
    [4, 'bounce', FUNCTION_NAME],
    [4, '2', NUMBER],
    [4, 'pos', null],
    [4, 'limit', null],
    [5, 'var', VAR_KEYWORD],
    [5, 'next', VARIABLE_NAME],
    [5, '0', NUMBER],
    [6, 'next', null, 1],
    [6, '=', OPERATOR],
    [6, 'next', null, 2],
    [6, '+', OPERATOR],
    [7, '+=', OPERATOR],
    [7, '1', NUMBER],
    [8, 'if', CONTROL],
    [8, '-', OPERATOR],
    [9, '{', CONTROL],
    [10, 'return', CONTROL],
    [11, '}', CONTROL],
    [12, '0', NUMBER],
    [13, 'end', DECLARATION],
    [15, 'x', VARIABLE_NAME],
    [15, '10', NUMBER],
    [19, '+=', OPERATOR],
    [19, 'speed', null],
    [20, '=', OPERATOR],
    [20, 'bounce', null],
    [20, '480', NUMBER],
    [21, '640', NUMBER],
    [23, '-=', OPERATOR],
    [23, '8', NUMBER],
    [26, 'else', CONTROL],
    [30, 'repeat', CONTROL],
    [30, '3', NUMBER],
    [32, 'circle', BUILTIN],
    [32, '8', NUMBER],
    [32, 'false', CONSTANT],
    [34, 'color', BUILTIN],
    [34, 'merge_color', BUILTIN],
    [34, 'red', CONSTANT],
    [34, 'gold', CONSTANT],
    [35, 'print', BUILTIN, 1],
    [35, '"Bounces:"', STRING],
    [35, 'print', BUILTIN, 2],
    [35, '90', NUMBER],
    [35, 'bounces', null],
    [36, 'message', BUILTIN],
    [36, '"Game over"', STRING],
  ];
  for (const [lineNo, word, scope, nth = 1] of words) {
    test(`line ${lineNo}: ${word}${nth > 1 ? ` (${nth})` : ''} is ${scope || 'a plain word'}`, () => {
      expectWord(lines, lineNo - 1, word, scope, nth);
    });
  }

  test('the comment lines are comments from the first column to the end, numbers in them too', () => {
    for (const lineNo of [1, 3]) {
      expectRange(lines, lineNo - 1, 0, lines[lineNo - 1].text.length, COMMENT, ['constant', 'keyword']);
    }
    expectRange(lines, 0, 0, 2, 'punctuation.definition.comment.kelvo');
  });

  test('the ; of line 35 ends a line; the quotes of its string are marked', () => {
    const text = lines[34].text;
    const semicolon = text.indexOf(';');
    expectRange(lines, 34, semicolon, semicolon + 1, SEPARATOR);
    const open = text.indexOf('"');
    expectRange(lines, 34, open, open + 1, 'punctuation.definition.string.begin.kelvo');
    expectRange(lines, 34, semicolon - 1, semicolon, 'punctuation.definition.string.end.kelvo');
  });

  test('no string or comment runs on past its line', () => {
    // Each line tokenised on its own comes out as it does in the file.
    for (const line of lines) {
      assert.deepEqual(tokenize(grammar, line.text)[0].tokens, line.tokens, line.text);
    }
  });
});

test.describe('traps of the language', () => {
  // { text, line (from 0), word | column+length, scope, nth, absent }
  const cases = [
    { name: 'an operator glued to a number is no operator word', text: 'x +1', word: '+1', scope: null },
    { name: 'a blank between makes it one', text: 'x + 1', word: '+', scope: OPERATOR },
    { name: 'a decimal point is no number', text: 'x = 3.5', word: '3.5', scope: null },
    { name: 'a sign is no number', text: 'x = -5', word: '-5', scope: null },
    { name: 'an exponent is no number', text: 'x = 5e3', word: '5e3', scope: null },
    { name: 'leading zeros stay a number', text: 'x = 007', word: '007', scope: NUMBER },
    { name: 'a whole number', text: 'x = 42', word: '42', scope: NUMBER },
    { name: 'a capital letter makes no constant', text: 'color Red', word: 'Red', scope: null },
    { name: 'the constant itself', text: 'color red', word: 'red', scope: CONSTANT },
    { name: 'a capital letter makes no keyword', text: 'Distance 0 0 1 1', word: 'Distance', scope: null },
    { name: 'upper-case if is no keyword', text: 'IF x', word: 'IF', scope: null },
    { name: 'True is no truth value', text: 'x = True', word: 'True', scope: null },
    { name: 'min alone is no keyword', text: 'min 1 2', word: 'min', scope: null },
    { name: 'min2 is', text: 'min2 1 2', word: 'min2', scope: BUILTIN },
    { name: 'max alone is no keyword', text: 'max 1 2', word: 'max', scope: null },
    { name: 'mean alone is no keyword', text: 'mean 1 2', word: 'mean', scope: null },
    { name: 'median alone is no keyword', text: 'median 1 2', word: 'median', scope: null },
    { name: 'median3 is', text: 'median3 1 2 3', word: 'median3', scope: BUILTIN },
    { name: 'tan is a colour', text: 'color tan', word: 'tan', scope: CONSTANT },
    { name: 'tang is the tangent', text: 'tang 1', word: 'tang', scope: BUILTIN },
    { name: 'x=5 is one word', text: 'x=5', word: 'x=5', scope: null },
    { name: '(1+2) is one word', text: 'abs (1+2)', word: '(1+2)', scope: null },
    { name: 'a,b is one word', text: 'a,b', word: 'a,b', scope: null },
    { name: 'a keyword with letters after it is none', text: 'iff x', word: 'iff', scope: null },
    { name: 'a keyword with an underscore before it is none', text: '_if x', word: '_if', scope: null },
    { name: 'a keyword with a digit after it is none', text: 'if2 x', word: 'if2', scope: null },
    { name: 'a brace glued to a name is no brace', text: '{x', word: '{x', scope: null },
    { name: 'a name glued to a brace is no brace', text: 'x}', word: 'x}', scope: null },
    { name: '== is no operator word', text: 'if x == 2', word: '==', scope: null },
    { name: '<= is no operator word', text: 'if x <= 2', word: '<=', scope: null },
    { name: '!= is no operator word', text: 'if x != 2', word: '!=', scope: null },
    { name: '=+ is no operator word', text: 'x =+ 2', word: '=+', scope: null },
    { name: '/= is one', text: 'x /= 2', word: '/=', scope: OPERATOR },
    { name: '*= is one', text: 'x *= 2', word: '*=', scope: OPERATOR },
    { name: '% is one', text: 'x % 2', word: '%', scope: OPERATOR },
    { name: 'a lone / is one', text: 'x / 2', word: '/', scope: OPERATOR },
    { name: 'a ; ends a line', text: 'if;if', column: 2, length: 1, scope: SEPARATOR },
    { name: 'the keyword before a ;', text: 'if;if', word: 'if', nth: 1, scope: CONTROL },
    { name: 'the keyword after a ;', text: 'if;if', word: 'if', nth: 2, scope: CONTROL },
    { name: 'a keyword after blanks', text: '   if x', word: 'if', scope: CONTROL },
    { name: 'a keyword after a tab', text: '\tif x', word: 'if', scope: CONTROL },
    { name: 'a ; after a / stays in the word', text: 'x/;if', word: 'x/;if', scope: null },
    { name: 'a quote after a / opens no string', text: 'x/"if', word: 'x/"if', scope: null },
    { name: 'a quoted word is a string, not a keyword', text: 'message "if"', word: '"if"', scope: STRING, absent: ['keyword'] },
    { name: 'an empty pair of quotes is a string', text: 'message ""', word: '""', scope: STRING },
    { name: 'a ; inside quotes ends no line', text: 'message "a;b"', column: 9, length: 3, scope: STRING, absent: ['punctuation.separator'] },
    { name: 'a comment after a term', text: 'x = 5 // set x', column: 6, length: 8, scope: COMMENT },
    { name: 'the term before the comment', text: 'x = 5 // set x', word: '5', scope: NUMBER },
    { name: 'a comment right after a keyword', text: 'if// x', column: 2, length: 4, scope: COMMENT },
    { name: 'the keyword right before a comment', text: 'if// x', column: 0, length: 2, scope: CONTROL },
    { name: 'a // inside quotes is a comment all the same', text: 'message "a // b"', column: 11, length: 5, scope: [STRING, COMMENT] },
    { name: 'the string before that comment', text: 'message "a // b"', column: 8, length: 3, scope: STRING, absent: ['comment'] },
    { name: 'a zero byte ends a comment', text: 'x // c\u0000 if', word: 'if', scope: CONTROL },
    { name: 'a lone / at the end joins the next line and is an operator word', text: 'x /\n5', column: 2, length: 1, scope: [CONTINUATION, OPERATOR] },
    { name: 'a glued / at the end joins the next line', text: 'x/\n5', column: 1, length: 1, scope: CONTINUATION, absent: ['keyword'] },
    { name: 'the next line goes on as usual', text: 'x /\n5', line: 1, word: '5', scope: NUMBER },
    { name: 'exit stands for a fixed text', text: 'exit', word: 'exit', scope: BUILTIN },
    { name: 'primitive_end stands for a fixed text', text: 'primitive_end', word: 'primitive_end', scope: BUILTIN },
    { name: 'the name of a script', text: 'function add 2 a b', word: 'add', scope: FUNCTION_NAME },
    { name: 'a refused name shows what it is', text: 'var pi 3', word: 'pi', scope: [VARIABLE_NAME, CONSTANT] },
    { name: 'function alone', text: 'function', word: 'function', scope: DECLARATION },
  ];
  for (const c of cases) {
    test(`${c.name}: ${JSON.stringify(c.text)}`, () => {
      const lines = tokenize(grammar, c.text);
      const lineIndex = c.line || 0;
      if (c.word !== undefined) {
        expectWord(lines, lineIndex, c.word, c.scope, c.nth || 1, c.absent);
      } else {
        expectRange(lines, lineIndex, c.column, c.column + c.length, c.scope, c.absent);
      }
    });
  }

  test('a string whose closing quote a comment took runs on into the next lines', () => {
    const lines = tokenize(grammar, 'print 1 1 "a // b"; x = 1\nx = 2; y\n" if x\nif x');
    expectRange(lines, 0, 10, 13, STRING, ['comment']);
    expectRange(lines, 0, 13, lines[0].text.length, [STRING, COMMENT]);
    // The whole second line is inside the string: no operator, no line end.
    expectRange(lines, 1, 0, lines[1].text.length, STRING, ['keyword', 'punctuation.separator', 'constant']);
    expectRange(lines, 2, 0, 1, 'punctuation.definition.string.end.kelvo');
    expectWord(lines, 2, 'if', CONTROL);
    expectRange(lines, 2, 5, 6, null);
    expectWord(lines, 3, 'if', CONTROL, 1, ['string']);
  });

  test('an open quote runs on until the next quote', () => {
    const lines = tokenize(grammar, 'x = "open\nstill; open" if\nif');
    expectRange(lines, 1, 0, 'still; open'.length, STRING, ['punctuation.separator']);
    expectWord(lines, 1, 'if', CONTROL, 1, ['string']);
    expectWord(lines, 2, 'if', CONTROL, 1, ['string']);
  });

  test('a quote after a / inside a string closes nothing', () => {
    const lines = tokenize(grammar, 'message "a/" b" if');
    expectRange(lines, 0, 8, 15, STRING);
    expectWord(lines, 0, 'if', CONTROL, 1, ['string']);
  });
});

// The keyword table, copied by hand: every keyword with its kind, in table
// order. 'call' is a built-in call, 'text' a keyword for a fixed host text.
const KEYWORDS = [
  ['line', 'call'], ['color', 'call'], ['lengthdir_x', 'call'], ['lengthdir_y', 'call'], ['random', 'call'],
  ['abs', 'call'], ['sign', 'call'], ['round', 'call'], ['floor', 'call'], ['ceil', 'call'], ['frac', 'call'],
  ['sqrt', 'call'], ['sqr', 'call'], ['power', 'call'], ['exp', 'call'], ['ln', 'call'], ['log2', 'call'],
  ['log10', 'call'], ['logn', 'call'], ['sin', 'call'], ['cos', 'call'], ['tang', 'call'], ['arcsin', 'call'],
  ['arctan', 'call'], ['arctan2', 'call'], ['degtorad', 'call'], ['radtodeg', 'call'], ['min2', 'call'],
  ['min3', 'call'], ['max2', 'call'], ['max3', 'call'], ['mean2', 'call'], ['mean3', 'call'], ['median2', 'call'],
  ['median3', 'call'], ['distance', 'call'], ['direction', 'call'], ['rgb', 'call'], ['hsv', 'call'],
  ['merge_color', 'call'], ['getpixel', 'call'], ['text_get_char', 'call'], ['text_copy', 'call'],
  ['text_count', 'call'], ['text_delete', 'call'], ['text_digits', 'call'], ['text_height', 'call'],
  ['text_width', 'call'], ['text_insert', 'call'], ['text_length', 'call'], ['clear', 'call'], ['print', 'call'],
  ['alpha', 'call'], ['line_color', 'call'], ['line_width', 'call'], ['line_width_color', 'call'],
  ['point', 'call'], ['point_color', 'call'], ['circle', 'call'], ['circle_color', 'call'], ['ellipse', 'call'],
  ['ellipse_color', 'call'], ['rectangle', 'call'], ['rectangle_color', 'call'], ['roundrect', 'call'],
  ['roundrect_color', 'call'], ['arrow', 'call'], ['vertex', 'call'], ['vertex_color', 'call'],
  ['triangle', 'call'], ['triangle_color', 'call'], ['primitive_end', 'text'], ['print_color', 'call'],
  ['else', 'statement'], ['{', 'statement'], ['}', 'statement'], ['exit', 'text'], ['repeat', 'statement'],
  ['message', 'call'], ['continue', 'statement'], ['switch', 'statement'], ['do', 'statement'],
  ['case', 'statement'], ['default', 'statement'], ['break', 'statement'], ['primitive_begin', 'call'],
  ['if', 'statement'], ['while', 'statement'], ['var', 'statement'], ['function', 'statement'],
  ['end', 'statement'], ['return', 'statement'],
];

// The constant table, copied by hand, in table order.
const CONSTANTS = [
  'true', 'false', 'pi', 'white', 'black', 'red', 'green', 'blue', 'olive_green', 'dark_green', 'dark_teal',
  'dark_blue', 'indigo', 'gray', 'dark_red', 'orange', 'dark_yellow', 'teal', 'blue_grey', 'gray40',
  'light_orange', 'lime', 'sea_green', 'aqua', 'light_blue', 'violet', 'gray50', 'pink', 'gold', 'yellow',
  'bright_green', 'turquoise', 'sky_blue', 'plum', 'light_gray', 'rose', 'tan', 'light_yellow', 'pale_green',
  'pale_turquoise', 'pale_blue', 'lavender', 'c_day', 'c_hour', 'c_minute', 'c_month', 'c_second', 'c_time',
  'c_weekday', 'c_year', 'clipboard_get', 'linelist', 'linestrip', 'pointlist', 'trianglefan', 'trianglelist',
  'trianglestrip',
];

// The declarations are coloured as storage, the other statements as control.
const DECLARATIONS = new Set(['var', 'function', 'end']);

function familyOf(keyword, kind) {
  if (kind !== 'statement') {
    return 'support.function.builtin';
  }
  return DECLARATIONS.has(keyword) ? 'storage.type' : 'keyword.control';
}

// The words of one repository rule "(?<!...)(?:a|b|...)(?=...)".
function grammarWords(ruleName) {
  const rule = readGrammarJson().repository[ruleName];
  assert.ok(rule && typeof rule.match === 'string', `no rule ${ruleName} with a match`);
  const found = /\(\?:((?:[^()\\]|\\.)*)\)\(\?=/.exec(rule.match);
  assert.ok(found, `rule ${ruleName} is no list of words: ${rule.match}`);
  return found[1].split('|').map((w) => w.replace(/\\(.)/g, '$1'));
}

function sorted(list) {
  return [...list].sort();
}

test.describe('vocabulary', () => {
  test('the hand-copied tables hold 92 keywords (74 calls, 2 fixed texts, 16 statements) and 57 constants', () => {
    const count = (kind) => KEYWORDS.filter(([, k]) => k === kind).length;
    assert.equal(KEYWORDS.length, 92);
    assert.equal(count('call'), 74);
    assert.equal(count('text'), 2);
    assert.equal(count('statement'), 16);
    assert.equal(new Set(KEYWORDS.map(([w]) => w)).size, 92);
    assert.equal(CONSTANTS.length, 57);
    assert.equal(new Set(CONSTANTS).size, 57);
    assert.deepEqual(KEYWORDS.filter(([w]) => CONSTANTS.includes(w)), []);
  });

  test("the grammar's lists equal the tables", () => {
    const statements = KEYWORDS.filter(([, k]) => k === 'statement').map(([w]) => w);
    const builtins = KEYWORDS.filter(([, k]) => k !== 'statement').map(([w]) => w);
    const lists = {
      'statement-keywords': statements.filter((w) => !DECLARATIONS.has(w)),
      'declaration-keywords': [...DECLARATIONS],
      'builtin-keywords': builtins,
      constants: CONSTANTS,
    };
    for (const [rule, expected] of Object.entries(lists)) {
      const words = grammarWords(rule);
      assert.equal(new Set(words).size, words.length, `${rule} names a word twice`);
      assert.deepEqual(sorted(words), sorted(expected), rule);
    }
  });

  // The tables as the translator itself lists them: the grammar names
  // exactly its keywords and constants.
  test("the grammar's words are kelvo's --list-keywords and --list-constants", (t) => {
    const tool = process.env.KELVO_TOOL;
    if (!tool) {
      assert.notEqual(process.env.CI, 'true', 'KELVO_TOOL is not set: the grammar cannot be held against kelvo');
      t.skip('KELVO_TOOL is not set');
      return;
    }
    const { execFileSync } = require('node:child_process');
    // The first word of each row's first cell: "| `circle x y r outline` | ..."
    const firstWords = (option) =>
      execFileSync(tool, [option], { encoding: 'utf8' })
        .split('\n')
        .slice(2)
        .filter((row) => row.startsWith('| `'))
        .map((row) => row.slice(3, row.indexOf('`', 3)).split(' ')[0]);
    const keywords = firstWords('--list-keywords');
    const constants = firstWords('--list-constants');
    const inGrammar = ['statement-keywords', 'declaration-keywords', 'builtin-keywords'].flatMap(grammarWords);
    assert.equal(keywords.length, 92);
    assert.deepEqual(sorted(inGrammar), sorted(keywords));
    assert.deepEqual(sorted(grammarWords('constants')), sorted(constants));
  });

  // Where a vocabulary word stands as a word of its own, and where it does not.
  const wordContexts = [
    (w) => [w, 0],
    (w) => [`x ${w} y`, 2],
    (w) => [`x;${w};y`, 2],
    (w) => [`\t${w}\t1`, 1],
    (w) => [`${w}// note`, 0],
  ];
  const nonWordContexts = [
    (w) => [`${w}x`, 0],
    (w) => [`x${w}`, 1],
    (w) => [`${w}"x"`, 0],
    (w) => [`message "${w}"`, 9],
    (w) => [`// ${w}`, 3],
    (w) => [`${w}/;`, 0],
  ];

  function checkVocabulary(word, family) {
    for (const context of wordContexts) {
      const [text, column] = context(word);
      const lines = tokenize(grammar, text);
      const covering = tokensCovering(lines[0], column, column + word.length);
      assert.ok(covering, `${JSON.stringify(text)}: ${word} is no token of its own`);
      for (const token of covering) {
        assert.ok(hasScope(token.scopes, family), `${JSON.stringify(text)}: ${word} has ${token.scopes.join(' ')}`);
      }
    }
    for (const context of nonWordContexts) {
      const [text, column] = context(word);
      const lines = tokenize(grammar, text);
      for (const token of lines[0].tokens.filter((t) => t.end > column && t.start < column + word.length)) {
        assert.ok(!hasScope(token.scopes, family), `${JSON.stringify(text)}: ${word} has ${token.scopes.join(' ')}`);
      }
    }
    const capital = word[0].toUpperCase() + word.slice(1);
    if (capital !== word) {
      const lines = tokenize(grammar, `x ${capital} y`);
      expectRange(lines, 0, 2, 2 + capital.length, null);
    }
  }

  test('every keyword is coloured as its kind, as a whole word only, case-sensitively', () => {
    for (const [keyword, kind] of KEYWORDS) {
      checkVocabulary(keyword, familyOf(keyword, kind));
    }
  });

  test('every constant is coloured as a constant, as a whole word only, case-sensitively', () => {
    for (const name of CONSTANTS) {
      checkVocabulary(name, 'constant.language');
    }
  });

  test('the ten operator words, and nothing glued to them', () => {
    for (const op of ['+=', '-=', '/=', '*=', '=', '+', '-', '/', '*', '%']) {
      expectWord(tokenize(grammar, `x ${op} 1`), 0, op, OPERATOR);
      expectRange(tokenize(grammar, `x ${op}1`), 0, 2, 3 + op.length, null);
      expectRange(tokenize(grammar, `x 1${op} y`), 0, 2, 3 + op.length, null);
    }
  });
});

test.describe('the grammar file', () => {
  const json = readGrammarJson();

  function* rules(node) {
    if (Array.isArray(node)) {
      for (const item of node) yield* rules(item);
    } else if (node && typeof node === 'object') {
      yield node;
      for (const value of Object.values(node)) yield* rules(value);
    }
  }

  test('is source.kelvo for .kelvo files', () => {
    assert.equal(json.scopeName, 'source.kelvo');
    assert.deepEqual(json.fileTypes, ['kelvo']);
  });

  test('every scope name ends in .kelvo', () => {
    let count = 0;
    for (const rule of rules([json.patterns, json.repository])) {
      for (const key of ['name', 'contentName']) {
        for (const scope of typeof rule[key] === 'string' ? rule[key].split(' ') : []) {
          assert.match(scope, /^[a-z]+(\.[a-z0-9-]+)*\.kelvo$/, scope);
          count += 1;
        }
      }
    }
    assert.ok(count > 10, `only ${count} scopes`);
  });

  test('every include names a rule of the repository', () => {
    for (const rule of rules(json)) {
      if (typeof rule.include === 'string') {
        assert.ok(rule.include.startsWith('#') && json.repository[rule.include.slice(1)], rule.include);
      }
    }
  });
});
