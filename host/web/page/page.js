'use strict';
// The page around the kaleidoscope: the runtime's settings, the pointer, a
// lost WebGL context asked back, the pause, the screen's wake lock, the
// offline copy (sw.js), and what a test reads back: Module.framesDrawn,
// Module.levels, Module.mirrorsOff, Module.sceneSeconds, Module.paused and
// Module.capture(). photos.js keeps the photos, controls.js the controls.

const pageQuery = new URLSearchParams(location.search);
// A tablet left on a stand: full screen once touched, the photos, no end on touch.
const frameMode = pageQuery.has('frame');
const canvas = document.getElementById('canvas');

var Module = {
  canvas,
  framesDrawn: 0,
  print: (text) => console.log(text),
  printErr: (text) => console.warn(text),
  postRun: [() => pageStarted()],
};

// What the program calls when its state changes (levels, mirrors, pause, saver).
const stateListeners = [];
Module.onState = () => stateListeners.forEach((listener) => listener());

// The next drawn frame (in still mode the still one): RGBA, bottom row first.
Module.capture = () => new Promise((resolve) => {
  Module.captured = (rgba, width, height) => resolve({width, height, rgba: rgba.slice()});
  Module._zirbel_capture(Module.page);
});

// A short word on the page; `lasting` keeps it until hideNote(key).
const noteElement = document.getElementById('note');
let noteKey = null;
let noteTimer = 0;
function showNote(text, key = null) {
  noteElement.textContent = text;
  noteElement.hidden = false;
  noteKey = key;
  clearTimeout(noteTimer);
  if (!key) noteTimer = setTimeout(() => (noteElement.hidden = true), 8000);
}
function hideNote(key) {
  if (noteKey === key) noteElement.hidden = true;
}

const startedListeners = [];
function pageStarted() {
  if (!Module.page) return;
  startedListeners.forEach((listener) => listener());
}

// The pointer: a mouse press toggles full screen (or ends the saver), a
// touch on the canvas shows the controls (or ends the saver); only a mouse's
// movement counts as the saver's pointer moving.
const touchListeners = [];
canvas.addEventListener('pointerdown', (event) => {
  if (!Module.page) return;
  const touch = event.pointerType !== 'mouse';
  if (frameMode && !document.fullscreenElement) {
    document.documentElement.requestFullscreen().catch(() => {});
  } else if (!Module._zirbel_pointer(Module.page, touch ? 1 : 0)) {
    touchListeners.forEach((listener) => listener());
  }
});
window.addEventListener('pointermove', (event) => {
  if (Module.page && event.pointerType === 'mouse') {
    Module._zirbel_mouse_move(Module.page, Math.round(event.screenX), Math.round(event.screenY));
  }
});

// A lost context (a GPU reset, a driver update, a phone short of memory) is
// asked back; nothing is drawn or counted until the browser gives it back.
const kLostContextNoteMs = 3000;
let lostTimer = 0;
canvas.addEventListener('webglcontextlost', (event) => {
  event.preventDefault();
  if (Module.page) Module._zirbel_context(Module.page, 1);
  clearTimeout(lostTimer);
  lostTimer = setTimeout(() => showNote('The graphics were lost. The picture comes back when the browser ' +
                                        'gives them back; reload the page if it stays dark.', 'lost'), kLostContextNoteMs);
});
canvas.addEventListener('webglcontextrestored', () => {
  clearTimeout(lostTimer);
  hideNote('lost');
  if (Module.page) Module._zirbel_context(Module.page, 0);
});

// The pause: `P` (outside the saver), the controls' button, or the play
// button shown while paused (the page opens paused on its first frame for
// a visitor who asks for less motion).
const playButton = document.getElementById('play');
function setPaused(paused) {
  if (Module.page) Module._zirbel_pause(Module.page, paused ? 1 : 0);
}
playButton.addEventListener('click', () => setPaused(false));
stateListeners.push(() => (playButton.hidden = !Module.paused));

// The screen stays on while the picture is full screen, or always in the
// photo frame, as long as the page can be seen; the browser lets the lock go
// when the page is hidden, and it is taken again when the page shows.
let wakeLock = null;
let wakeLockPending = false;
async function holdWakeLock() {
  const wanted = document.visibilityState === 'visible' && (frameMode || !!document.fullscreenElement);
  if (wanted && !wakeLock && !wakeLockPending && navigator.wakeLock) {
    wakeLockPending = true;
    try {
      const lock = await navigator.wakeLock.request('screen');
      lock.addEventListener('release', () => wakeLock === lock && (wakeLock = null));
      wakeLock = lock;
    } catch {
      // Refused (low battery, a browser setting): the screen keeps its own timeout.
    }
    wakeLockPending = false;
    holdWakeLock();
  } else if (!wanted && wakeLock) {
    const lock = wakeLock;
    wakeLock = null;
    lock.release().catch(() => {});
  }
}
document.addEventListener('visibilitychange', holdWakeLock);
document.addEventListener('fullscreenchange', holdWakeLock);
if (frameMode) holdWakeLock();

// The page's files are kept for offline visits; an installed app opens them.
// Once the first frame is drawn, so that keeping them does not hold it up.
let offlineCopy = false;
stateListeners.push(() => {
  if (offlineCopy || !Module.framesDrawn || !('serviceWorker' in navigator)) return;
  offlineCopy = true;
  navigator.serviceWorker.register('sw.js').catch(() => {});
});
