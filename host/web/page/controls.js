'use strict';
// The controls for a touch screen: a strip with every control the keys give
// (the level count, mirrors off and on, the fed-back picture's size, the
// push, the fresh placement, the pause, full screen, photos) and the
// settings (the mirrors and the level count at the start, kept as the
// address's are). A tap on the picture shows the strip; it hides itself while
// the picture plays. In saver mode it shows for a while as the saver starts;
// a touch elsewhere ends the saver, as a key would.

const kStripShownMs = 4000;
const strip = document.getElementById('strip');
const settingsPanel = document.getElementById('settings');
const settingsButton = document.getElementById('show-settings');
let stripTimer = 0;
let wasSaver = false;

function showStrip(show) {
  clearTimeout(stripTimer);
  strip.hidden = !show;
  document.getElementById('corner').hidden = show;
  if (!show) showSettings(false);
  if (show) stripTimer = setTimeout(hideStripWhilePlaying, kStripShownMs);
}

function hideStripWhilePlaying() {
  if (Module.paused) return;  // the play control stays at hand
  showStrip(false);
}

function showSettings(show) {
  settingsPanel.hidden = !show;
  settingsButton.setAttribute('aria-expanded', String(show));
}

touchListeners.push(() => showStrip(strip.hidden));

// Any use of the controls keeps them up a while longer.
for (const panel of [strip, settingsPanel]) {
  panel.addEventListener('pointerdown', () => {
    clearTimeout(stripTimer);
    stripTimer = setTimeout(hideStripWhilePlaying, kStripShownMs);
  });
}

function choose(name, value) {
  Module.ccall('zirbel_setting', 'number', ['number', 'string', 'number'], [Module.page, name, value]);
}

strip.addEventListener('click', (event) => {
  const button = event.target.closest('button');
  if (!button || !Module.page) return;
  if (button.dataset.key) {
    Module.ccall('zirbel_key', 'number', ['number', 'string'], [Module.page, button.dataset.key]);
  } else if (button.dataset.levels) {
    Module._zirbel_levels(Module.page, Number(button.dataset.levels));
  } else if (button.id === 'pause') {
    setPaused(!Module.paused);
  } else if (button.id === 'strip-photos') {
    document.getElementById('photo-input').click();
  } else if (button === settingsButton) {
    showSettings(settingsPanel.hidden);
  }
});

settingsPanel.addEventListener('click', (event) => {
  const button = event.target.closest('button');
  if (!button || !Module.page) return;
  if (button.id === 'use-mirrors') {
    choose('UseMirrors', Module.useMirrors ? 0 : 1);
  } else if (button.dataset.start) {
    const levels = Math.max(1, Math.min(10, (Module.startLevels || 1) + Number(button.dataset.start)));
    choose('Levels', levels);
  }
});

stateListeners.push(() => {
  document.getElementById('levels').textContent = Module.levels === 1 ? '1 level' : `${Module.levels} levels`;
  document.getElementById('mirrors').setAttribute('aria-pressed', String(!Module.mirrorsOff));
  document.getElementById('pause').textContent = Module.paused ? 'Play' : 'Pause';
  document.getElementById('use-mirrors').textContent = Module.useMirrors ? 'On' : 'Off';
  document.getElementById('start-levels').textContent = String(Module.startLevels || 1);
  if (Module.saver && !wasSaver) showStrip(true);
  if (!Module.saver && wasSaver) showStrip(false);
  wasSaver = Module.saver;
});
