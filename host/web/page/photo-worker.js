// The photo worker's script, run inside its module (host/web/PhotoWorker.cpp)
// in a Web Worker: the page posts the picked files ({files: [{file, path}]});
// they are mounted as they are, read only when a photo is decoded, and the
// photo steps run back to back. Each finished atlas is posted to the page
// ({atlas}), the decoders' messages as {message}, the end as {done}; {status}
// answers what the worker holds. The page ends the worker with the pick.
'use strict';

const kWorking = 0, kAtlas = 1, kWaiting = 2, kDone = 3;
// How long a run of steps may hold the worker before it hears its messages.
const kRunMs = 100;
const kAtlasBytes = 1024 * 512 * 4;
let picked = null;
let ready = false;
let mounted = {files: 0, bytes: 0};

Module.print = Module.printErr = (text) => postMessage({message: text});
Module.onRuntimeInitialized = () => {
  ready = true;
  if (picked) startPhotos();
};

self.onmessage = ({data}) => {
  if (data.files && !picked) {
    picked = data.files;
    if (ready) startPhotos();
  }
  if (data.status) postMessage({status: Object.assign({heap: Module.HEAPU8 ? Module.HEAPU8.length : 0}, mounted)});
};

// POSIX's answer for a file that is no link (the file system's own says "not
// permitted", which fails the folder's walk where it resolves the path).
const kNotALink = 28;  // EINVAL

function startPhotos() {
  const files = FS.filesystems.WORKERFS;
  files.node_ops.readlink = () => {
    throw new FS.ErrnoError(kNotALink);
  };
  FS.mkdir('/photos');
  FS.mount(files, {blobs: picked.map(({file, path}) => ({name: path, data: file}))}, '/photos');
  mounted = {files: picked.length, bytes: picked.reduce((sum, {file}) => sum + file.size, 0)};
  Module.ccall('photos_start', null, ['string'], ['/photos']);
  stepPhotos();
}

function stepPhotos() {
  const started = performance.now();
  for (;;) {
    const now = performance.now();
    const answer = Module._photos_step(now);
    if (answer === kAtlas) {
      const atlas = Module.HEAPU8.slice(Module._photos_atlas(), Module._photos_atlas() + kAtlasBytes).buffer;
      postMessage({atlas}, [atlas]);
    } else if (answer === kDone) {
      postMessage({done: true});
      return;
    } else if (answer === kWaiting) {
      setTimeout(stepPhotos, Math.max(0, Module._photos_next_ms() - now));
      return;
    }
    if (answer === kWorking && performance.now() - started > kRunMs) {
      setTimeout(stepPhotos, 0);
      return;
    }
  }
}
