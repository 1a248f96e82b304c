// The conversion core (sylvo-core.js, WebAssembly) behind a JavaScript call.
// The page's main thread and its worker each load one.

/// The core's factory: sylvo-core.js defines sylvoCore(), whose source text
/// is the whole core, so a worker can be made from it even where the page is
/// opened from a folder and may load no other file.
export const coreSource = () => `var createSylvoCore = (${self.sylvoCore})();\n`;

/// Loads a core; resolves to {convert, keys, lyricKeys, fitLyrics, check,
/// spans, complete, syllable}. convert(bytes, nameBytes) gives what
/// sylvo gives for a file of that name holding `bytes`: {status, kind,
/// messageBytes, output, outputNameBytes, line, column}. `line` is the
/// failing byte's line (from 1; 0 if the failure is at no byte), `column` its
/// place in that line in bytes (from 0; -1 if not known). `output` is empty
/// after a failure. The name holds no zero byte. keys() lists the syllable keys.
export async function loadCore(factory) {
  const core = await factory();
  const cString = (at) => core.HEAPU8.slice(at, core.HEAPU8.indexOf(0, at));
  const convert = (bytes, nameBytes) => {
    const data = core._malloc(bytes.length + 1);
    const name = core._malloc(nameBytes.length + 1);
    core.HEAPU8.set(bytes, data);
    core.HEAPU8.set(nameBytes, name);
    core.HEAPU8[name + nameBytes.length] = 0;
    const at = core._sylvo_page_convert(data, bytes.length, name) >>> 2;
    core._free(data);
    core._free(name);
    const [status, message, messageSize, output, outputSize, outputName, line, column, kind] =
        core.HEAPU32.slice(at, at + 9);
    return {
      status,
      kind,
      messageBytes: core.HEAPU8.slice(message, message + messageSize),
      output: core.HEAPU8.slice(output, output + outputSize),
      outputNameBytes: cString(outputName),
      line,
      column: column | 0,
    };
  };
  const keys = () => new TextDecoder().decode(cString(core._sylvo_page_keys())).trim().split(' ');
  // Copies `arrays` of bytes into the core's memory for `act`, then frees them.
  const withBytes = (arrays, act) => {
    const at = arrays.map((a) => core._malloc(a.length + 1));
    arrays.forEach((a, i) => core.HEAPU8.set(a, at[i]));
    try {
      return JSON.parse(new TextDecoder().decode(cString(act(...at))));
    } finally {
      at.forEach((p) => core._free(p));
    }
  };
  /// lyricKeys(utf8): {keys: [{key, at, size}], problems: [{at, size, why}]}, in bytes.
  const lyricKeys = (lyrics) => withBytes([lyrics], (l) => core._sylvo_page_lyric_keys(l, lyrics.length));
  /// fitLyrics(mml, utf8): {changes: [{from, to, insert}], notes, notesLeft,
  /// syllablesLeft, problems}, places in bytes of each.
  const fitLyrics = (mml, lyrics) =>
    withBytes([mml, lyrics], (m, l) => core._sylvo_page_fit_lyrics(m, mml.length, l, lyrics.length));
  /// check(bytes, nameBytes): {problems: [{severity, kind, name, line,
  /// column, start, length, messageBytes, textBytes, echoBytes,
  /// explanationBytes, format, argumentBytes, suggestions}], errors,
  /// warnings, more}: every
  /// problem, lines from 1, places in bytes from 0 (-1: at no byte).
  const check = (bytes, nameBytes) => {
    const r = withBytes([bytes, [...nameBytes, 0]], (d, n) => core._sylvo_page_check(d, bytes.length, n));
    const asBytes = (text) => Uint8Array.from(text, (c) => c.charCodeAt(0));
    for (const p of r.problems) {
      for (const field of ['message', 'text', 'echo', 'explanation']) {
        p[`${field}Bytes`] = asBytes(p[field]);
        delete p[field];
      }
      p.argumentBytes = p.arguments.map(asBytes);
      delete p.arguments;
    }
    return r;
  };
  /// spans(bytes, first, last): an Int32Array of [line, start, length, kind]
  /// a span (sylvo_spans), in bytes, of lines first to last.
  const spans = (bytes, first, last) => {
    const data = core._malloc(bytes.length || 1);
    core.HEAPU8.set(bytes, data);
    const at = core._sylvo_page_spans(data, bytes.length, first, last) >> 2;
    const n = core.HEAP32[at];
    const copy = core.HEAP32.slice(at + 1, at + 1 + 4 * n);
    core._free(data);
    return copy;
  };
  /// complete(bytes, line, column): what may be completed just before byte
  /// `column` (from 0) of line `line` (from 1): {kind (0 nothing, 1 a key, 2
  /// a directive), start (the byte where what is typed of it starts),
  /// items: [{label, detail, info}]}.
  const complete = (bytes, line, column) =>
    withBytes([bytes], (d) => core._sylvo_page_complete(d, bytes.length, line, column));
  /// syllable(bytes, line, column): the syllable that holds that byte, or
  /// null: {key, kana, start, length, frames, voices, expansionBytes}.
  const syllable = (bytes, line, column) => {
    const r = withBytes([bytes], (d) => core._sylvo_page_syllable(d, bytes.length, line, column));
    if (r) r.expansionBytes = Uint8Array.from(r.expansion, (c) => c.charCodeAt(0)), delete r.expansion;
    return r;
  };
  // A zero-terminated UTF-8 copy of `text` in the core's memory, for `act`.
  const withText = (texts, act) => {
    const arrays = texts.map((t) => [...new TextEncoder().encode(t), 0]);
    const at = arrays.map((a) => core._malloc(a.length));
    arrays.forEach((a, i) => core.HEAPU8.set(a, at[i]));
    try {
      return act(...at);
    } finally {
      at.forEach((p) => core._free(p));
    }
  };
  /// setLanguage(tag): the language the core's words are said in, as the
  /// browser names it ("ja", "ja-JP", "en").
  const setLanguage = (tag) => withText([tag], (t) => core._sylvo_page_set_language(t));
  /// words(english, args): `english` (a text of the page's or the library's,
  /// with {1} to {4}) in that language, with the strings `args` in place.
  const words = (english, args = []) =>
    withText([english, args.map((a) => `${a}\x1f`).join('')],
             (e, a) => new TextDecoder().decode(cString(core._sylvo_page_words(e, a))));
  /// kana(key): the key's kana, or "".
  const kana = (key) => withText([key], (k) => new TextDecoder().decode(cString(core._sylvo_page_kana(k))));
  /// lyricRuns(utf8): [[at, size], ...], the runs of the lyrics a
  /// dictionary reads, in bytes.
  const lyricRuns = (lyrics) => withBytes([lyrics], (l) => core._sylvo_page_lyric_runs(l, lyrics.length));
  /// readLyrics(utf8, asWritten, words, dictionary): the lyrics read, as
  /// sylvo-lyrics --json gives them, with the dictionary's words of each run
  /// ("RUN,AT,SIZE,READING,PRONUNCIATION" lines; reading.js), or none.
  const readLyrics = (lyrics, asWritten, words, dictionary) =>
    withBytes([lyrics, [...new TextEncoder().encode(words), 0]],
              (l, w) => core._sylvo_page_read_lyrics(l, lyrics.length, asWritten ? 1 : 0, w, dictionary ? 1 : 0));
  return { convert, keys, lyricKeys, fitLyrics, check, spans, complete, syllable, setLanguage, words, kana,
           lyricRuns, readLyrics };
}
