'use strict';
// The page around the kaleidoscope: the runtime's settings, the photo folder
// the user picks or drops (copied into the program's file system, where the
// program reads it as the saver reads a folder), and what a test reads back:
// Module.framesDrawn, Module.levels, Module.mirrorsOff and Module.capture().

// Files larger than this are left out, as the saver skips them; the copies
// together stay below the second bound.
const kMaxPhotoBytes = 128 * 1024 * 1024;
const kMaxFolderBytes = 512 * 1024 * 1024;

var Module = {
  canvas: document.getElementById('canvas'),
  framesDrawn: 0,
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
};

// The next drawn frame (in still mode the still one): RGBA, bottom row first.
Module.capture = () => new Promise((resolve) => {
  Module.captured = (rgba, width, height) => resolve({width, height, rgba: rgba.slice()});
  Module._zirbel_capture(Module.page);
});

let photoFolders = 0;

// `files`: [{file, path}] with paths inside the folder.
async function showPhotos(files) {
  if (!Module.page || files.length === 0) return;
  const folder = `/photos-${++photoFolders}`;
  let total = 0;
  for (const {file, path} of files) {
    if (file.size > kMaxPhotoBytes || total + file.size > kMaxFolderBytes) continue;
    total += file.size;
    const parts = `${folder}/${path}`.split('/').filter((part) => part !== '');
    for (let i = 1; i < parts.length; ++i) {
      const dir = '/' + parts.slice(0, i).join('/');
      if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
    }
    FS.writeFile('/' + parts.join('/'), new Uint8Array(await file.arrayBuffer()));
  }
  Module.ccall('zirbel_show_photos', null, ['number', 'string'], [Module.page, folder]);
}

document.getElementById('photo-input').addEventListener('change', (event) => {
  const files = Array.from(event.target.files, (file) => ({file, path: file.webkitRelativePath || file.name}));
  showPhotos(files);
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
  const entries = Array.from(event.dataTransfer.items, (item) => item.webkitGetAsEntry()).filter((e) => e);
  const files = [];
  for (const entry of entries) await entryFiles(entry, '', files).catch(() => {});
  showPhotos(files);
});
