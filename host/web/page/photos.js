'use strict';
// The photos the visitor picks or drops: one pick at a time, decoded by a
// Web Worker (photo-worker.js, the program's own decoders) that reads the
// files where they lie and posts finished atlases, which the page shows
// between two frames. A new pick ends the worker of the one before, with all
// it held; the last pick is the one shown. The picked files are kept in the
// browser's storage for this site and shown again on the next visit, until
// "Built-in pictures" forgets them.

const MB = 1024 * 1024;
// Larger files are left out, as the saver skips them; a pick of more is refused.
const kMaxPhotoBytes = 128 * MB;
const kMaxPickBytes = 512 * MB;
// What the page keeps for the next visit: the pick's first files up to this.
const kKeptBytes = 200 * MB;
const kAtlasBytes = 1024 * 512 * 4;

const photos = {pick: 0, shown: 0, worker: null, keeping: null, asked: [], checked: false};
const megabytes = (bytes) => `${Math.round(bytes / MB)} MB`;

function showBuiltInButtons(show) {
  document.querySelectorAll('.builtin').forEach((button) => (button.hidden = !show));
}

function endWorker() {
  if (photos.worker) photos.worker.terminate();
  photos.worker = null;
  photos.asked.splice(0).forEach((resolve) => resolve(null));
}

// `files`: [{file, path}] with paths inside the folder.
function decodePhotos(files, pick) {
  endWorker();
  const worker = new Worker('photo-worker.js');
  photos.worker = worker;
  worker.onmessage = ({data}) => {
    if (photos.worker !== worker) return;  // from a pick replaced since
    if (data.message) console.warn(data.message);
    if (data.atlas && data.atlas.byteLength === kAtlasBytes && Module.page) {
      Module.HEAPU8.set(new Uint8Array(data.atlas), Module._zirbel_atlas_buffer(Module.page));
      Module._zirbel_show_atlas(Module.page);
      photos.shown = pick;
      showBuiltInButtons(true);
    }
    if (data.status) photos.asked.splice(0).forEach((resolve) => resolve(data.status));
    if (data.done) endWorker();  // nothing more to make: its memory goes
  };
  worker.onerror = (event) => {
    console.warn(`zirbel: the photos cannot be read here (${event.message || 'the worker failed'})`);
    if (photos.worker === worker) endWorker();
  };
  worker.postMessage({files: files.map(({file, path}) => ({file, path}))});
}

async function pickPhotos(files) {
  const pick = ++photos.pick;
  const usable = files.filter(({file}) => file.size <= kMaxPhotoBytes);
  const total = usable.reduce((sum, {file}) => sum + file.size, 0);
  if (total > kMaxPickBytes) {
    showNote(`That folder holds ${megabytes(total)} of photos; the page takes at most ${megabytes(kMaxPickBytes)} ` +
             'at a time. Pick a smaller folder.');
    return;
  }
  if (usable.length === 0 || !Module.page) return;
  decodePhotos(usable, pick);
  keepPhotos(usable, pick);
}

// The browser's storage for this site: one record per kept file.
function openStore() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open('zirbel', 1);
    request.onupgradeneeded = () => request.result.createObjectStore('photos', {keyPath: 'path'});
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

// Replaces what is kept (or, with no files, forgets it); a newer pick
// abandons the writing of an older one.
async function keepPhotos(files, pick) {
  try {
    if (photos.keeping) photos.keeping.abort();
  } catch {
    // Finished already.
  }
  photos.keeping = null;
  const sorted = files.slice().sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
  const kept = [];
  let bytes = 0;
  for (const entry of sorted) {
    if (bytes + entry.file.size > kKeptBytes) break;
    kept.push(entry);
    bytes += entry.file.size;
  }
  let db;
  try {
    db = await openStore();
  } catch {
    if (files.length) showNote('This browser keeps no photos for the next visit here; they show now only.');
    return;
  }
  if (pick !== photos.pick) return;
  const transaction = db.transaction('photos', 'readwrite');
  photos.keeping = transaction;
  const store = transaction.objectStore('photos');
  store.clear();
  kept.forEach(({file, path}) => store.put({path, file}));
  const outcome = await new Promise((resolve) => {
    transaction.oncomplete = () => resolve(null);
    transaction.onabort = transaction.onerror = () => resolve(transaction.error || 'abort');
  });
  if (photos.keeping === transaction) photos.keeping = null;
  db.close();
  if (pick !== photos.pick) return;
  if (outcome && outcome.name === 'QuotaExceededError') {
    showNote(`The browser refused to keep ${megabytes(bytes)} of photos for this site: they show now, ` +
             'but not on the next visit.');
  } else if (kept.length < files.length) {
    showNote(`Kept for the next visit: ${kept.length} of ${files.length} files, the first ${megabytes(kKeptBytes)}.`);
  }
  if (kept.length && navigator.storage && navigator.storage.persist) navigator.storage.persist().catch(() => {});
}

async function keptPhotos() {
  const db = await openStore();
  const records = await new Promise((resolve, reject) => {
    const request = db.transaction('photos').objectStore('photos').getAll();
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
  db.close();
  return records.filter((record) => record.file instanceof Blob);
}

// The photos kept at the last visit show again without picking.
startedListeners.push(async () => {
  const pick = photos.pick;
  const kept = await keptPhotos().catch(() => []);
  if (kept.length && pick === photos.pick) decodePhotos(kept, ++photos.pick);
  if (!kept.length && frameMode) showNote('Tap the picture, then Photos…, to pick the photos this frame shows.');
  photos.checked = true;
});

function showBuiltInPictures() {
  ++photos.pick;
  endWorker();
  photos.shown = 0;
  keepPhotos([], photos.pick);
  if (Module.page) Module._zirbel_builtin_pictures(Module.page);
  showBuiltInButtons(false);
}
document.querySelectorAll('.builtin').forEach((button) => button.addEventListener('click', showBuiltInPictures));

const photoInput = document.getElementById('photo-input');
photoInput.addEventListener('change', (event) => {
  const files = Array.from(event.target.files, (file) => ({file, path: file.webkitRelativePath || file.name}));
  pickPhotos(files);
  event.target.value = '';
});

// A dropped folder (or files), walked through the entries the browser gives.
async function entryFiles(entry, path, out) {
  if (entry.isFile) {
    out.push({file: await new Promise((resolve, reject) => entry.file(resolve, reject)), path: path + entry.name});
  } else if (entry.isDirectory) {
    const reader = entry.createReader();
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (batch.length === 0) break;
      for (const child of batch) await entryFiles(child, `${path}${entry.name}/`, out);
    }
  }
}

window.addEventListener('dragover', (event) => event.preventDefault());
window.addEventListener('drop', async (event) => {
  event.preventDefault();
  const pick = ++photos.pick;  // a pick made while this one is walked wins
  const entries = Array.from(event.dataTransfer.items, (item) => item.webkitGetAsEntry()).filter((e) => e);
  const files = [];
  for (const entry of entries) await entryFiles(entry, '', files).catch(() => {});
  if (pick === photos.pick) pickPhotos(files);
});

// For tests: what the photos hold now. `worker` is the running worker's own
// account ({files, bytes, heap}), null when none runs; `kept` what the
// storage holds; `checked` that the kept photos were looked for.
Module.photoStatus = async () => {
  const worker = photos.worker ? await new Promise((resolve) => {
    photos.asked.push(resolve);
    photos.worker.postMessage({status: true});
  }) : null;
  const records = await keptPhotos().catch(() => []);
  const kept = {files: records.length, bytes: records.reduce((sum, {file}) => sum + file.size, 0)};
  const pageHeap = Module.HEAPU8 ? Module.HEAPU8.length : 0;  // none before the program has started
  return {pick: photos.pick, shown: photos.shown, checked: photos.checked, pageHeap, worker, kept};
};
