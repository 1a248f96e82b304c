// The page's words: English in its scripts and in index.html (each element
// marked data-t, its attributes data-t-title, data-t-placeholder and
// data-t-aria-label), said in the language chosen, as the library's
// catalogs (po/) translate them through the core. The browser's language
// chooses it, or the switch in the header, whose choice is kept.
const kKept = 'sylvo-language';
const kLanguages = { en: 'English', ja: '日本語' };

let core = null;  // the main thread's, once loaded
let language = (() => {
  try {
    const kept = localStorage.getItem(kKept);
    if (kept in kLanguages) return kept;
  } catch { /* no storage: the browser's language */ }
  return (navigator.languages || [navigator.language]).some((l) => /^ja\b/i.test(l)) ? 'ja' : 'en';
})();

/// Marks an English text said elsewhere, as t() says it.
export const N_ = (english) => english;

/// `english`, with {1} to {4}, in the page's language with `args` in place.
export function t(english, ...args) {
  if (core) return core.words(english, args.map(String));
  return english.replace(/\{([1-4])\}/g, (m, n) => (n <= args.length ? String(args[n - 1]) : m));
}

export const pageLanguage = () => language;
export const languageNames = () => kLanguages;

// Says the page's own words, as index.html marks them.
function sayPage() {
  document.documentElement.lang = language;
  for (const el of document.querySelectorAll('[data-t]')) {
    el.dataset.t ||= el.innerHTML.trim().replace(/\s+/g, ' ');
    el.innerHTML = t(el.dataset.t);
  }
  for (const attribute of ['title', 'placeholder', 'aria-label']) {
    const key = `t${attribute.replace(/(^|-)(\w)/g, (m, d, c) => c.toUpperCase())}`;
    for (const el of document.querySelectorAll(`[data-t-${attribute}]`)) {
      el.dataset[key] ||= el.getAttribute(attribute);
      el.setAttribute(attribute, t(el.dataset[key]));
    }
  }
}

/// Starts saying the page's words through `c` (core.js), in `tag` if
/// given (and keeps that choice), and tells `also` (the worker) the
/// language too.
export async function speak(c, tag, also) {
  core = c;
  if (tag) {
    language = tag;
    try { localStorage.setItem(kKept, tag); } catch { /* kept for this page only */ }
  }
  core.setLanguage(language);
  await also(language);
  sayPage();
}
