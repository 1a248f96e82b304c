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
//   keep {}, forget {}            store or drop the unsaved edits, to offer after a reload
// Messages out: {id, ...}. open, view, edit and toUtf8 answer with the
// conversion `result`, and open, view and toUtf8 with the shown `text` too.
import { decode, detect, encode, hasByteOrderMark, lineEnds, unencodable, UTF8, SJIS } from './codec.js';
import { loadCore } from './core.js';
import { keepDraft, forgetDraft } from './drafts.js';

const core = loadCore(self.createSylvoCore);
let bytes = new Uint8Array(0);
let name = 'untitled.mml';
let encoding = UTF8;
let shownOutput = '';  // the last good output's text, as the page shows it
let goodOutput = new Uint8Array(0);

// The file's name as sylvo on a system using the file's encoding would get it.
function nameBytes() {
  return encoding === SJIS && !unencodable(name, SJIS) ? encode(name, SJIS) : new TextEncoder().encode(name);
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
  };
  if (r.status === 0) {
    goodOutput = r.output;
    const text = decode(r.output, encoding);
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

const handlers = {
  async open(m) {
    bytes = new Uint8Array(m.bytes);
    name = m.name;
    encoding = m.encoding === 'auto' ? detect(bytes) : m.encoding;
    return { ...shown(), result: await convert() };
  },
  async view(m) {
    encoding = m.encoding === 'auto' ? detect(bytes) : m.encoding;
    return { ...shown(), result: await convert() };
  },
  async edit(m) {
    bytes = encode(m.text, encoding);
    return { result: await convert() };
  },
  async toUtf8() {
    bytes = encode(decode(bytes, encoding), UTF8);
    encoding = UTF8;
    return { ...shown(), result: await convert() };
  },
  bytes(m) {
    return { bytes: (m.what === 'input' ? bytes : goodOutput).slice() };
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
