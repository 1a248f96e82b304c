// Unsaved edits kept in the browser (IndexedDB), so that a reload or a
// closed tab does not lose them: one draft, the file's bytes as edited.

const open = () => new Promise((resolve, reject) => {
  const request = indexedDB.open('sylvo', 1);
  request.onupgradeneeded = () => request.result.createObjectStore('drafts');
  request.onsuccess = () => resolve(request.result);
  request.onerror = () => reject(request.error);
});

async function run(mode, act) {
  const db = await open();
  try {
    return await new Promise((resolve, reject) => {
      const t = db.transaction('drafts', mode);
      const request = act(t.objectStore('drafts'));
      t.oncomplete = () => resolve(request.result);
      t.onerror = () => reject(t.error);
    });
  } finally {
    db.close();
  }
}

/// Keeps {bytes, name, encoding} as the draft, with the time.
export const keepDraft = (draft) => run('readwrite', (s) => s.put({ ...draft, time: Date.now() }, 'draft'));
/// The kept draft, or undefined.
export const readDraft = () => run('readonly', (s) => s.get('draft'));
export const forgetDraft = () => run('readwrite', (s) => s.delete('draft'));
