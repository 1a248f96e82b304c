// The dictionary's worker: kuromoji with the IPA dictionary MeCab reads
// with natively, built from the dictionary's files handed to it (the page
// fetches nothing: they come in a script of its own folder), and the words
// of runs of lyrics found with it.
import kuromoji from 'kuromoji';
import Loader from 'kuromoji/src/loader/BrowserDictionaryLoader.js';

let files = null;
// A dictionary file from those handed over, gzip in base64, unpacked.
Loader.prototype.loadArrayBuffer = (url, done) => {
  const name = url.slice(url.lastIndexOf('/') + 1);
  const text = atob(files[name]);
  const packed = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) packed[i] = text.charCodeAt(i);
  new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip')))
    .arrayBuffer().then((b) => done(null, b), (e) => done(e, null));
};

let built = null, ready = null, failed = null;
const filesCame = new Promise((resolve, reject) => { ready = resolve; failed = reject; });

self.onmessage = async (e) => {
  if (e.data.url) {  // the dictionary's files: loaded here where a worker may, else from the page
    try {
      importScripts(e.data.url);
      ready(self.sylvoDictionary);
    } catch {
      self.postMessage({ wantFiles: true });
    }
    built = filesCame.then((given) => new Promise((resolve, reject) => {
      files = given;
      kuromoji.builder({ dicPath: 'dictionary/' }).build((err, t) => (err ? reject(err) : resolve(t)));
    }));
    return;
  }
  if (e.data.files) return ready(e.data.files);
  if (e.data.failed) return failed(new Error(e.data.failed));
  const { id, runs } = e.data;
  try {
    const tokenizer = await built;
    // Each run's words: where each starts (a string index), its text, and
    // the dictionary's reading and pronunciation in katakana ('' for none).
    const words = runs.map((run) => tokenizer.tokenize(run).map((w) => ({
      at: w.word_position - 1, text: w.surface_form,
      reading: w.reading && w.reading !== '*' ? w.reading : '',
      pronunciation: w.pronunciation && w.pronunciation !== '*' ? w.pronunciation : '',
    })));
    self.postMessage({ id, words });
  } catch (error) {
    self.postMessage({ id, error: String(error) });
  }
};
