// The page's worker: holds the file's bytes and converts them, so that a big
// song never blocks the page. It is made from the core's source followed by
// this bundle (see core.js), and answers each message in the order sent.
//
// Messages in: {id, type, ...}
//   open {bytes, name, encoding}  new bytes; encoding 'auto' detects
//   view {encoding}               the same bytes shown in another encoding
//   edit {text}                   the shown text changed: its bytes are the file now
//   toUtf8 {}                     the file rewritten in UTF-8 (the user's explicit choice)
//   bytes {what}                  a copy of the 'input' or of the last good 'output'
//   lines {from, to}              the last good output's lines [from, to), from 1
//   keep {}, forget {}            store or drop the unsaved edits, to offer after a reload
//   spans {first, last}           the spans of those lines (sylvo_spans), for colouring
//   complete {line, column}       what may be completed there (core.js complete)
//   syllable {line, column}       the syllable there, its expansion as text (core.js syllable)
//   language {tag}                the language of the words the core says (core.js setLanguage)
// open, view, edit and toUtf8 may name the lines in view, {view: {first,
// last}}: their result then carries those lines' `spans` too.
// Messages out: {id, ...}. open, view, edit and toUtf8 answer with the
// conversion `result`, and open, view and toUtf8 with the shown `text` too.
//
// An output up to kWhole bytes is shown whole: the result carries the change
// from the output shown before. A bigger one is shown some lines at a time
// (`lines`), which spares the page a copy of it as text.
import { decode, detect, encode, hasByteOrderMark, lineEnds, unencodable, UTF8, SJIS } from './codec.js';
import { loadCore } from './core.js';
import { keepDraft, forgetDraft } from './drafts.js';

const core = loadCore(self.createSylvoCore);
let bytes = new Uint8Array(0);
let name = 'untitled.mml';
let encoding = UTF8;
const kWhole = 4 << 20;
let shownOutput = '';  // the last good output's text, as the page shows it; null: shown in part
let goodOutput = new Uint8Array(0);
let lineStarts = null;  // where each line of goodOutput starts, once asked for

// The file's name as sylvo on a system using the file's encoding would get it.
function nameBytes() {
  return encoding === SJIS && !unencodable(name, SJIS) ? encode(name, SJIS) : new TextEncoder().encode(name);
}

// Every problem of the bytes: {severity, kind, name, line, column, start,
// length, message, suggestions}, the message an error's plain text (sylvo's
// own words) and its explanation, or a warning's or a note's words, in the
// page's language; and how many more.
async function problemsOf() {
  const c = (await core).check(bytes, nameBytes());
  const words = async (p) => p.format
    ? (await core).words(p.format, p.argumentBytes.map((a) => decode(a, encoding)))
    : decode(p.severity === 0 ? p.explanationBytes : p.textBytes, encoding);
  const list = [];
  for (const p of c.problems) {
    const said = await words(p);
    list.push({
      severity: ['error', 'warning', 'note'][p.severity],
      kind: p.kind, name: p.name, line: p.line, column: p.column, start: p.start, length: p.length,
      message: p.severity === 0 ? decode(p.textBytes, encoding) + (said ? `: ${said}` : '') : said,
      suggestions: p.suggestions,
    });
  }
  return { list, more: c.more };
}

// Converts the bytes. The output is sent as the change from the last good
// output shown: the unchanged start and end are not sent again.
async function convert() {
  const r = (await core).convert(bytes, nameBytes());
  const result = {
    status: r.status,
    kind: r.kind,
    message: decode(r.messageBytes, encoding).trim(),
    line: r.line,
    column: r.column,
    outputName: decode(r.outputNameBytes, encoding),
    byteOrderMark: hasByteOrderMark(bytes),
    outputSize: r.output.length,
    change: null,
    problems: await problemsOf(),
  };
  if (r.status === 0) {
    goodOutput = r.output;
    lineStarts = null;
    if (r.output.length > kWhole) {
      shownOutput = null;
      result.inPart = true;
      return result;
    }
    const text = decode(r.output, encoding);
    if (shownOutput === null) {
      result.change = { whole: true, insert: text };
      shownOutput = text;
      return result;
    }
    const old = shownOutput;
    const end = Math.min(old.length, text.length);
    let from = 0;
    while (from < end && old.charCodeAt(from) === text.charCodeAt(from)) ++from;
    let tail = 0;
    while (tail < end - from && old.charCodeAt(old.length - 1 - tail) === text.charCodeAt(text.length - 1 - tail)) ++tail;
    result.change = { from, to: old.length - tail, insert: text.slice(from, text.length - tail) };
    shownOutput = text;
  }
  return result;
}

function shown() {
  return { text: decode(bytes, encoding), encoding, lineEnds: lineEnds(bytes) };
}

// The spans of the lines in view, as the last message named them.
let inView = { first: 1, last: 400 };
async function spansOf(view) {
  if (view) inView = view;
  return (await core).spans(bytes, inView.first, inView.last);
}
// A result's spans, with the lines they are of.
async function withSpans(result, view) {
  return { ...result, spans: await spansOf(view), spansOf: { ...inView } };
}

const handlers = {
  async spans(m) {
    return { spans: await spansOf({ first: m.first, last: m.last }) };
  },
  async complete(m) {
    return (await core).complete(bytes, m.line, m.column);
  },
  async language(m) {
    (await core).setLanguage(m.tag);
    return {};
  },
  async syllable(m) {
    const r = (await core).syllable(bytes, m.line, m.column);
    if (r) r.expansion = decode(r.expansionBytes, encoding), delete r.expansionBytes;
    return { syllable: r };
  },
  async open(m) {
    bytes = new Uint8Array(m.bytes);
    name = m.name;
    encoding = m.encoding === 'auto' ? detect(bytes) : m.encoding;
    const result = await convert();
    if (result.status !== 0) {
      // The last good output was another file's: nothing is this one's yet.
      goodOutput = new Uint8Array(0);
      lineStarts = null;
      shownOutput = '';
      result.change = { whole: true, insert: '' };
    }
    return { ...shown(), result: await withSpans(result, { first: 1, last: 400 }) };
  },
  async view(m) {
    encoding = m.encoding === 'auto' ? detect(bytes) : m.encoding;
    return { ...shown(), result: await withSpans(await convert(), m.view) };
  },
  async edit(m) {
    bytes = encode(m.text, encoding);
    return { result: await withSpans(await convert(), m.view) };
  },
  async toUtf8(m) {
    bytes = encode(decode(bytes, encoding), UTF8);
    encoding = UTF8;
    return { ...shown(), result: await withSpans(await convert(), m.view) };
  },
  bytes(m) {
    return { bytes: (m.what === 'input' ? bytes : goodOutput).slice() };
  },
  lines(m) {
    if (!lineStarts) {
      let n = 1;
      for (let i = 0; i < goodOutput.length; ++i) if (goodOutput[i] === 0x0a) ++n;
      lineStarts = new Uint32Array(n);
      for (let i = 0, k = 1; i < goodOutput.length; ++i) if (goodOutput[i] === 0x0a) lineStarts[k++] = i + 1;
    }
    const total = lineStarts.length;
    const from = Math.min(Math.max(m.from, 1), total);
    const to = Math.min(Math.max(m.to, from + 1), total + 1);
    const end = to <= total ? lineStarts[to - 1] - 1 : goodOutput.length;  // without the last newline
    return { text: decode(goodOutput.subarray(lineStarts[from - 1], end), encoding), from, to, total };
  },
  async keep() {
    await keepDraft({ bytes, name, encoding });
    return {};
  },
  async forget() {
    await forgetDraft();
    return {};
  },
};

// One message at a time, in order: an edit's bytes are in place before the
// next message reads them.
let queue = Promise.resolve();
self.onmessage = (e) => {
  const m = e.data;
  queue = queue.then(async () => {
    try {
      self.postMessage({ id: m.id, ...(await handlers[m.type](m)) });
    } catch (error) {
      self.postMessage({ id: m.id, error: String(error && error.stack || error) });
    }
  });
};
