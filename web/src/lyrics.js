// The lyrics panel: lyrics typed or pasted in kana or romaji are put on the
// notes selected in the input (or from the cursor on), one sung mora a note,
// as one edit that undo takes back. Only ASCII is put in, so the file keeps
// its encoding and line ends.
import { isolateHistory } from '@codemirror/commands';
import { Transaction } from '@codemirror/state';
import { readLyrics as read } from './reading.js';
import { N_, t } from './words.js';

// The string index of each byte offset of `text` in UTF-8, as TextEncoder
// writes it (a lone surrogate as U+FFFD), and of its end.
function utf8Places(text) {
  const places = [];
  let i = 0;
  for (const ch of text) {
    const code = ch.codePointAt(0);
    const size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let k = 0; k < size; ++k) places.push(i);
    i += ch.length;
  }
  places.push(i);
  return places;
}

/// The page's lyric calls on a loaded core (core.js): lyricKeys(text) gives
/// {keys, moras: [{key, at, text}], problems: [{at, text, why}]};
/// fitLyrics(mml, lyrics) gives {text, changes: [{from, to, insert}], notes,
/// notesLeft, syllablesLeft, problems}. Places are string indexes.
export function lyricCalls(core) {
  const pieces = (text, places) => (p) => ({ at: places[p.at], text: text.slice(places[p.at], places[p.at + p.size]) });
  function lyricKeys(text) {
    const piece = pieces(text, utf8Places(text));
    const r = core().lyricKeys(new TextEncoder().encode(text));
    return { keys: r.keys.map((k) => k.key), moras: r.keys.map((k) => ({ key: k.key, ...piece(k) })),
             problems: r.problems.map((p) => ({ ...piece(p), why: p.why })) };
  }
  function fitLyrics(mmlText, lyricsText) {
    // One byte a UTF-16 unit, so that places in bytes are string indexes: a
    // character beyond ASCII is no part of MML's notation.
    const mml = new Uint8Array(mmlText.length);
    for (let i = 0; i < mml.length; ++i) mml[i] = Math.min(mmlText.charCodeAt(i), 0x80);
    const piece = pieces(lyricsText, utf8Places(lyricsText));
    const r = core().fitLyrics(mml, new TextEncoder().encode(lyricsText));
    let text = '', at = 0;
    for (const c of r.changes) {
      text += mmlText.slice(at, c.from) + c.insert;
      at = c.to;
    }
    return { text: text + mmlText.slice(at), changes: r.changes, notes: r.notes, notesLeft: r.notesLeft,
             syllablesLeft: r.syllablesLeft, problems: r.problems.map((p) => ({ ...piece(p), why: p.why })) };
  }
  /// readLyrics(text, {asWritten}): a promise of the lyrics read as sung, as
  /// one line of `sylvo-lyrics --json` gives them (places in bytes).
  async function readLyrics(text, options = {}) {
    const r = await read(core, text, options);
    for (const p of r.problems) delete p.words;
    return r;
  }
  return { lyricKeys, fitLyrics, readLyrics };
}

// The note a change puts a key on, from the change's end in the MML: after
// the rest of a syllable's key and its ')', or at the note itself.
const noteAfter = /^(?:[A-Z@0-9]*\))?([a-g][+-]?[0-9.%#]*)/;

/// Wires the panel (elements by id: lyrics, lyrics-marked, lyrics-plan,
/// lyrics-summary, apply-lyrics) to the input editor `view`.
export function lyricsPanel(view, calls, $) {
  const field = $('lyrics');
  let plan = null;  // {from, fit}: what "Put on the notes" does

  function span(cls, text, title) {
    const s = document.createElement(cls === 'problem' ? 'mark' : 'span');
    s.className = cls;
    s.textContent = text;
    if (title) s.title = title;
    return s;
  }

  // Each word of the lyrics with its reading above it, as ruby; a click on
  // one asks for its reading and writes it into the lyrics as ｜word《reading》.
  function marked(lyrics, sung) {
    const places = utf8Places(lyrics);
    const out = [];
    let at = 0;
    const words = sung.words.map((w) => ({ ...w, from: places[w.at], to: places[w.at + w.size], kind: w.from }));
    for (const p of sung.problems) {
      const from = places[p.at], to = places[p.at + p.size];
      if (!words.some((w) => w.from === from)) words.push({ from, to, problem: p });
    }
    words.sort((x, y) => x.from - y.from);
    for (const w of words) {
      if (w.from < at) continue;
      if (w.from > at) out.push(document.createTextNode(lyrics.slice(at, w.from)));
      const text = lyrics.slice(w.from, w.to);
      const problem = w.problem ?? sung.problems.find((p) => places[p.at] === w.from);
      const element = document.createElement(problem ? 'mark' : 'ruby');
      element.className = problem ? 'problem' : 'word';
      element.append(text);
      if (!problem && w.reading && w.reading !== text) {
        const rt = document.createElement('rt');
        rt.textContent = w.reading;
        element.append(rt);
      }
      element.title = problem ? problem.words : w.keys.join(' ');
      if (w.kind) {
        element.tabIndex = 0;
        element.addEventListener('click', () => correct(w, text));
      }
      out.push(element);
      at = w.to;
    }
    out.push(document.createTextNode(lyrics.slice(at)));
    return out;
  }

  // Asks for the reading of a word, and writes it into the lyrics in ruby.
  function correct(word, text) {
    const reading = window.prompt(t('The reading of {1}, in kana', text), word.reading || '');
    if (reading === null) return;
    const lyrics = field.value;
    const after = lyrics.slice(word.to);
    const ruby = word.kind === 'ruby' && after.startsWith('《') ? after.indexOf('》') + 1 : 0;
    const bar = lyrics.slice(0, word.from).endsWith('｜') ? 1 : 0;
    field.value = `${lyrics.slice(0, word.from - bar)}｜${text}《${reading}》${after.slice(ruby)}`;
    preview();
  }

  let sequence = 0;  // of previews: only the last one's reading is shown
  async function preview() {
    const seq = ++sequence;
    const lyrics = field.value;
    const selection = view.state.selection.main;
    const from = selection.empty ? selection.head : selection.from;
    const to = selection.empty ? view.state.doc.length : selection.to;
    const mml = view.state.doc.sliceString(from, to);
    let sung = null;
    if (lyrics.trim()) {
      try {
        sung = await read(calls.core, lyrics, { asWritten: $('lyrics-as-written').checked });
      } catch (error) {
        sung = { reading: '', keys: [], words: [], problems: [{ at: 0, size: 0, words: String(error.message) }] };
      }
    }
    if (seq !== sequence) return;
    // While a piece takes no note, the lyrics after it would land a note
    // early: nothing is put on the notes until it is corrected.
    const fit = sung && !sung.problems.length ? calls.fitLyrics(mml, sung.reading) : null;
    plan = fit && fit.notes ? { from, fit } : null;
    $('apply-lyrics').disabled = !plan;
    $('apply-lyrics').title = sung?.problems.length
      ? t('A piece of the lyrics takes no note: correct it first, or the rest would land a note early.')
      : '';
    $('lyrics-marked').replaceChildren(...(sung ? marked(lyrics, sung) : []));

    // Which note takes which syllable.
    const places = utf8Places(lyrics);
    const moras = fit ? calls.lyricKeys(sung.reading).moras : [];  // each in the kana it is sung as
    const items = (fit ? fit.changes : []).slice(0, 500).map((c, i) => {
      const mora = moras[i];
      const note = noteAfter.exec(mml.slice(c.to))?.[1] ?? '';
      const li = document.createElement('li');
      const line = view.state.doc.lineAt(from + c.to).number;
      li.textContent = t('{1} {2} → {3}, line {4}', mora ? mora.text : '', mora ? mora.key : '', note, line);
      return li;
    });
    $('lyrics-plan').replaceChildren(...items);
    $('lyrics-problems').replaceChildren(...(sung ? sung.problems : []).map((p) => {
      const li = document.createElement('li');
      li.textContent = `“${lyrics.slice(places[p.at], places[p.at + p.size])}”: ${p.words}`;
      return li;
    }));
    const one = (n, format, formats) => t(n === 1 ? format : formats, n);
    const taken = selection.empty
      ? one(fit?.notes, N_('{1} note from the cursor on takes a syllable'), N_('{1} notes from the cursor on take a syllable'))
      : one(fit?.notes, N_('{1} note in the selection takes a syllable'), N_('{1} notes in the selection take a syllable'));
    $('lyrics-summary').textContent = !fit ? '' : taken +
        (fit.notesLeft ? one(fit.notesLeft, N_('; {1} note after the lyrics takes none'),
                             N_('; {1} notes after the lyrics take none')) : '') +
        (fit.syllablesLeft ? one(fit.syllablesLeft, N_('; {1} syllable is left over'),
                                 N_('; {1} syllables are left over')) : '') + t('.');
  }

  async function apply() {
    await preview();
    if (!plan) return;
    const { from, fit } = plan;
    view.dispatch({
      changes: fit.changes.map((c) => ({ from: from + c.from, to: from + c.to, insert: c.insert })),
      annotations: [isolateHistory.of('full'), Transaction.userEvent.of('input.lyrics')],
      scrollIntoView: true,
    });
    view.focus();
  }

  field.addEventListener('input', preview);
  field.addEventListener('focus', preview);
  $('lyrics-as-written').addEventListener('change', preview);
  $('apply-lyrics').addEventListener('click', apply);
  return { preview };
}
