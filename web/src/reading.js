// Lyrics read as they are sung, with the dictionary MeCab reads with
// natively: the core (reading.cpp, as in sylvo-lyrics) splits the lyrics,
// and the dictionary's worker, loaded the first time lyrics need it, finds
// the words of each run.

const encoder = new TextEncoder(), decoder = new TextDecoder();
const KANJI = /[\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff々〆〇ヵヶ]|[\ud840-\ud8bf][\udc00-\udfff]/u;
const KANA = /[\u3041-\u3096\u30a1-\u30fa\uff66-\uff9f]/u;

let dictionary = null;  // a promise of the worker
const pending = new Map();
let nextId = 1;

// A script of the page's folder, loaded (a page opened from a folder may
// load a script, but fetch no file).
const script = (name) => new Promise((resolve, reject) => {
  const element = document.createElement('script');
  element.src = `dictionary/${name}`;
  element.onload = resolve;
  element.onerror = () => reject(new Error(`sylvo: dictionary/${name} did not load`));
  document.head.append(element);
});

// The dictionary's worker. It loads the dictionary's files itself, off the
// page's thread, where it may (a page served over HTTP); else the page
// loads them and hands them over.
function loadDictionary() {
  dictionary ??= script('reader.js').then(() => {
    const worker = new Worker(URL.createObjectURL(new Blob([self.sylvoReader], { type: 'text/javascript' })));
    worker.onmessage = (e) => {
      if (e.data.wantFiles) {
        script('ipadic.js').then(() => {
          worker.postMessage({ files: self.sylvoDictionary });
          delete self.sylvoDictionary;
        }, (error) => worker.postMessage({ failed: String(error.message) }));
        return;
      }
      const { resolve: done, reject: fail } = pending.get(e.data.id);
      pending.delete(e.data.id);
      if (e.data.error) fail(new Error(e.data.error));
      else done(e.data.words);
    };
    worker.postMessage({ url: new URL('dictionary/ipadic.js', document.baseURI).href });
    return worker;
  }, (error) => {
    dictionary = null;
    throw error;
  });
  return dictionary;
}

async function wordsOf(runs) {
  const worker = await loadDictionary();
  const id = nextId++;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, runs });
  });
}

/// readLyrics(core, text, {asWritten}): a promise of the lyrics read, as
/// one line of `sylvo-lyrics --json` gives them: {text, reading, keys,
/// words: [{text, at, size, reading, keys, from}], problems: [{at, size,
/// message}]}, places in bytes of the UTF-8. The dictionary is loaded only
/// for lyrics that need it: kanji, or kana sung as said (は as WA).
export async function readLyrics(core, text, { asWritten = false } = {}) {
  const bytes = encoder.encode(text);
  const needed = KANJI.test(text) || (!asWritten && KANA.test(text));
  if (!needed) return core().readLyrics(bytes, asWritten, '', false);
  const runs = core().lyricRuns(bytes);
  const texts = runs.map(([at, size]) => decoder.decode(bytes.subarray(at, at + size)));
  const words = await wordsOf(texts);
  const lines = [];
  runs.forEach(([runAt], r) => {
    for (const w of words[r]) {
      const at = encoder.encode(texts[r].slice(0, w.at)).length;
      lines.push(`${runAt},${at},${encoder.encode(w.text).length},${w.reading},${w.pronunciation}`);
    }
  });
  return core().readLyrics(bytes, asWritten, lines.join('\n'), true);
}
