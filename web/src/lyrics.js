// The lyrics panel: lyrics typed or pasted in kana or romaji are put on the
// notes selected in the input (or from the cursor on), one sung mora a note,
// as one edit that undo takes back. Only ASCII is put in, so the file keeps
// its encoding and line ends.
import { isolateHistory } from '@codemirror/commands';
import { Transaction } from '@codemirror/state';
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
  return { lyricKeys, fitLyrics };
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

  function preview() {
    const lyrics = field.value;
    const selection = view.state.selection.main;
    const from = selection.empty ? selection.head : selection.from;
    const to = selection.empty ? view.state.doc.length : selection.to;
    const mml = view.state.doc.sliceString(from, to);
    const fit = lyrics.trim() ? calls.fitLyrics(mml, lyrics) : null;
    const keys = lyrics.trim() ? calls.lyricKeys(lyrics) : { moras: [], problems: [] };
    // While a piece takes no note, the lyrics after it would land a note
    // early: nothing is put on the notes until it is corrected.
    plan = fit && fit.notes && !keys.problems.length ? { from, fit } : null;
    $('apply-lyrics').disabled = !plan;
    $('apply-lyrics').title = keys.problems.length
      ? t('A piece of the lyrics takes no note: correct it first, or the rest would land a note early.')
      : '';

    // The lyrics again, each mora with its key, each problem marked with why.
    const parts = [...keys.moras.map((m) => ({ ...m, cls: 'mora', title: m.key })),
                   ...keys.problems.map((p) => ({ ...p, cls: 'problem', title: p.why }))].sort((a, b) => a.at - b.at);
    const marked = [];
    let at = 0;
    for (const p of parts) {
      if (p.at > at) marked.push(document.createTextNode(lyrics.slice(at, p.at)));
      marked.push(span(p.cls, p.text, p.title));
      at = p.at + p.text.length;
    }
    marked.push(document.createTextNode(lyrics.slice(at)));
    $('lyrics-marked').replaceChildren(...marked);

    // Which note takes which syllable.
    const items = (fit ? fit.changes : []).slice(0, 500).map((c, i) => {
      const mora = keys.moras[i];
      const note = noteAfter.exec(mml.slice(c.to))?.[1] ?? '';
      const li = document.createElement('li');
      const line = view.state.doc.lineAt(from + c.to).number;
      li.textContent = t('{1} {2} → {3}, line {4}', mora ? mora.text : '', mora ? mora.key : '', note, line);
      return li;
    });
    $('lyrics-plan').replaceChildren(...items);
    $('lyrics-problems').replaceChildren(...keys.problems.map((p) => {
      const li = document.createElement('li');
      li.textContent = `“${p.text}”: ${t(p.why)}`;
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

  function apply() {
    preview();
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
  $('apply-lyrics').addEventListener('click', apply);
  return { preview };
}
