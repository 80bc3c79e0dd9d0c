// The web page as an app, cases of page.test.mjs: a lost context, one pick
// at a time, touch, offline, the photo frame, the pause. `t` holds the
// shared helpers (the page, the server, waits, probes, photo folders).
import fs from 'node:fs';
import path from 'node:path';

const MB = 1024 * 1024;

export function appCases(t) {
  const page = t.page;
  const fail = t.fail;
  const shown = (n, what, seconds = 30) => t.until(async (n) => (await Module.photoStatus()).shown === n, n, what, seconds);
  const noteSays = (text, what) => t.until((text) => {
    const note = document.getElementById('note');
    return !note.hidden && note.textContent.includes(text);
  }, text, what);
  const tap = async (selector) => (await page().$(selector)).tap();
  const report = () => page().evaluate(() => {
    Module._zirbel_report(Module.page);
    return {fedBackSize: Module.fedBackSize, spin: Module.spin, transitionTicks: Module.transitionTicks};
  });

  // How many points along the unrotated mirror segment's outline (from the
  // centre straight down 4 units, across the rim and back, in a view narrower
  // than high, whose half width shows 5.5 units) show a thin red line: pure
  // red there and not 4 pixels to either side (a red disc is red across).
  // The best of three screenshots: the discs pass over the outline.
  async function outlinePoints() {
    let best = 0;
    for (let shot = 0; shot < 3; ++shot) {
      const angle = (await page().evaluate(() => 2 * Math.PI / Module.segments));
      const {width, height, rgb} = await t.pixels(true);
      const unit = width / 2 / 5.5;
      const red = (x, y) => {
        const [r, g, b] = rgb.subarray((Math.round(y) * width + Math.round(x)) * 3, (Math.round(y) * width + Math.round(x)) * 3 + 3);
        return r > 180 && g < 50 && b < 50;
      };
      const near = (x, y) => [-1, 0, 1].some((dy) => [-1, 0, 1].some((dx) => red(x + dx, y + dy)));
      const corners = [[0, 0], [0, 4], [4 * Math.sin(angle), 4 * Math.cos(angle)], [0, 0]];
      let hits = 0;
      for (let c = 0; c < 3; ++c) {
        const [x0, y0] = corners[c], [x1, y1] = corners[c + 1];
        const across = [(y0 - y1) / Math.hypot(x1 - x0, y1 - y0) * 4, (x1 - x0) / Math.hypot(x1 - x0, y1 - y0) * 4];
        for (let f = 0.05; f < 0.95; f += 0.02) {
          const x = width / 2 + (x0 + f * (x1 - x0)) * unit, y = height / 2 + (y0 + f * (y1 - y0)) * unit;
          if (near(x, y) && !red(x + across[0], y + across[1]) && !red(x - across[0], y - across[1])) ++hits;
        }
      }
      best = Math.max(best, hits);
    }
    return best;
  }

  return {
    // Lose the context, wait, give it back: the picture comes back with the
    // same controls; lost for good: a word on the page, no frame counted or captured.
    async context() {
      await t.open('?levels=3', {width: 800, height: 600, deviceScaleFactor: 1});
      // Whole segments (the count eases from 10 to 8 first): every copy mirrored alike.
      await t.until(() => Module.segments === 8, null, 'the segments never settled', 30);
      const lose = () => page().evaluate(() => {
        window.loseContext = Module.canvas.getContext('webgl').getExtension('WEBGL_lose_context');
        window.loseContext.loseContext();
      });
      await lose();
      const lost = await t.frames();
      await t.animationFrames(30);
      if ((await t.frames()) !== lost) fail('frames were counted while the context was lost');
      await page().evaluate(() => window.loseContext.restoreContext());
      const p = await t.probeUntil(t.kaleidoscope, null, 2, true);
      if (!t.kaleidoscope(p)) fail(`no lit, mirrored picture within 2 s of the restore: ${JSON.stringify(p)}`);
      const controls = await page().evaluate(() => [Module.levels, Module.mirrorsOff]);
      if (controls[0] !== 3 || controls[1]) fail(`the restored picture has other controls: ${controls}`);
      // The GPU process ends (as with a driver reset): the browser gives the context back by itself.
      await (await page().browser().target().createCDPSession()).send('Browser.crashGpuProcess');
      await t.until(() => Module.framesDrawn > 0, null, 'no frame after the GPU process ended');
      await t.nextFrames(3, 'no frames after the GPU process ended');
      if (!t.kaleidoscope(await t.probeUntil(t.kaleidoscope, null, 5, true))) fail('no picture after the GPU process ended');

      await lose();
      const before = await t.frames();
      await page().evaluate(() => {
        Module.capture().then(() => (window.capturedWhileLost = true));
      });
      await t.until(() => !document.getElementById('note').hidden, null, 'no word on the lost context');
      if ((await t.frames()) !== before) fail('frames were counted while the context stayed lost');
      if (await page().evaluate(() => window.capturedWhileLost)) fail('a frame was captured while the context was lost');
    },

    // The frames keep their pace while a folder decodes; a new pick replaces
    // the one before, however far that got; ten picks keep one copy; a pick
    // over the budget is refused with a word that names it.
    async picks() {
      const slow = t.photoFolder('slow', 'ff00ff', '--count', '16', '--size', '2000x1500', '--png-every', '1');
      const fast = t.photoFolder('fast', '00ff00,0000ff', '--count', '6');
      const fastFiles = fs.readdirSync(fast, {recursive: true}).filter((f) => f.endsWith('.jpg') || f.endsWith('.png'));
      await t.open('', {width: 640, height: 480, deviceScaleFactor: 1});
      const clock = () => page().evaluate(() => ({frames: Module.framesDrawn, ms: performance.now()}));
      const rate = (a, b) => (b.frames - a.frames) * 1000 / (b.ms - a.ms);
      const calm = await clock();
      await t.nextFrames(24, 'no frames');
      const calmRate = rate(calm, await clock());
      await t.pick(slow);
      const decoding = await clock();
      await shown(1, 'the slow folder was never shown', 60);
      const decoded = await clock();
      console.log(`frames/s ${calmRate.toFixed(1)} before the pick, ${rate(decoding, decoded).toFixed(1)} while ` +
                  `${(decoded.ms - decoding.ms).toFixed(0)} ms of decoding`);
      if (decoded.ms - decoding.ms > 500 && rate(decoding, decoded) < 0.5 * calmRate) {
        fail('the frames lost their pace while the folder decoded');
      }

      await t.pick(slow);
      await t.until(async () => (await Module.photoStatus()).worker?.files === 16, null, 'the slow folder was not started');
      await t.pick(fast);
      await shown(3, 'the later, faster pick was not shown');
      await t.until(async () => !(await Module.photoStatus()).worker, null, 'a worker outlived its pick');
      const p = await t.probe('00ff00,0000ff');
      if (!(p.colours > 0.7)) fail(`the last pick is not the one shown: ${JSON.stringify(p)}`);

      const heap = (await t.photoStatus()).pageHeap;
      for (let i = 0; i < 10; ++i) await t.pick(fast);
      await shown(13, 'the tenth pick was not shown');
      await t.until(async (n) => (await Module.photoStatus()).kept.files === n, fastFiles.length, 'the pick was not kept');
      const status = await t.photoStatus();
      if (status.worker || status.pageHeap > heap + 8 * MB) fail(`ten picks left more behind: ${JSON.stringify(status)}`);

      const over = path.join(t.work, 'over');
      fs.mkdirSync(over);
      for (let i = 0; i < 5; ++i) {
        fs.writeFileSync(path.join(over, `big-${i}.jpg`), '');
        fs.truncateSync(path.join(over, `big-${i}.jpg`), 120 * MB);  // sparse: only its size is read
      }
      await t.pick(over);
      await noteSays('512 MB', 'a pick over the budget was not refused with its word');
      if ((await t.photoStatus()).shown !== 13) fail('a refused pick replaced the photos shown');
    },

    // A phone: a tap shows the controls; each does what its key does; the
    // settings are kept as the address's are; in saver mode a touch elsewhere ends it.
    async touch() {
      await t.open('?saver&levels=1', {width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true});
      const stripShown = () => page().evaluate(() => !document.getElementById('strip').hidden);
      if (await stripShown()) fail('the controls show before a tap');
      const control = async (selector) => {
        if (!(await stripShown())) await page().touchscreen.tap(195, 150);
        await tap(selector);
      };
      await page().touchscreen.tap(195, 150);
      await t.until(() => !document.getElementById('strip').hidden, null, 'a tap did not show the controls');
      await control('[data-levels="1"]');
      await t.until(() => Module.levels === 2, null, '+ did not give 2 levels');
      await control('[data-levels="-1"]');
      await t.until(() => Module.levels === 1, null, '− did not give 1 level');
      const mirrored = await outlinePoints();
      await control('#mirrors');
      await t.until(() => Module.mirrorsOff, null, 'Mirrors did not turn the mirrors off');
      await t.nextFrames(2, 'no frames without mirrors');
      const outlined = await outlinePoints();
      console.log(`points of a red outline: ${outlined} without mirrors, ${mirrored} with`);
      if (!(outlined >= mirrored + 6)) fail(`no red outline without mirrors: ${outlined} points against ${mirrored}`);
      await control('#mirrors');
      await t.until(() => !Module.mirrorsOff, null, 'Mirrors did not turn the mirrors on again');
      for (const [label, changed] of [
        ['ArrowLeft', (a, b) => Math.abs(b.fedBackSize - (a.fedBackSize - 0.1)) < 1e-4],
        ['ArrowRight', (a, b) => Math.abs(b.fedBackSize - (a.fedBackSize + 0.1)) < 1e-4],
        ['ArrowUp', (a, b) => b.spin > a.spin + 0.002],
        ['ArrowDown', (a, b) => b.transitionTicks < 24],
      ]) {
        const before = await report();
        await control(`[data-key="${label}"]`);
        if (!changed(before, await report())) fail(`the control of ${label} did not do what the key does`);
      }
      await control('#show-settings');
      await tap('#use-mirrors');
      await t.until(() => Module.useMirrors === 0 && localStorage['zirbel.UseMirrors'] === '0', null, 'the mirror setting was not kept');
      await tap('#use-mirrors');
      await tap('[data-start="1"]');
      await t.until(() => Module.startLevels === 2 && Module.levels === 2 && localStorage['zirbel.Levels'] === '2' &&
                          localStorage['zirbel.UseMirrors'] === '1', null, 'the level setting was not kept');
      const [chooser] = await Promise.all([page().waitForFileChooser({timeout: 5000}), control('#strip-photos')]);
      await chooser.cancel();
      await control('[data-key="KeyF"]');
      await t.until(() => document.fullscreenElement !== null && Module.saver, null, 'Full screen did not start the saver');
      await tap('[data-levels="1"]');
      await t.until(() => Module.levels === 3 && document.fullscreenElement !== null, null, 'a control ended the saver');
      await page().touchscreen.tap(195, 150);
      await t.until(() => document.fullscreenElement === null, null, 'a touch did not end the saver');
    },

    // After one visit the page opens with no network; it can be installed;
    // a changed site is what the next visit gets.
    async offline() {
      await t.open('');
      await t.until(async () => (await navigator.serviceWorker.ready).active.state === 'activated' &&
                                !!navigator.serviceWorker.controller, null, 'no active service worker');
      const manifest = await page().evaluate(async () => {
        const m = await (await fetch(document.querySelector('link[rel=manifest]').href)).json();
        const icons = await Promise.all(m.icons.map(async (icon) => {
          const image = new Image();
          image.src = icon.src;
          await image.decode().catch(() => {});
          return `${image.naturalWidth}x${image.naturalHeight}` === icon.sizes;
        }));
        return {name: m.name, display: m.display, icons: icons.length >= 2 && icons.every((ok) => ok)};
      });
      if (!(manifest.name && ['fullscreen', 'standalone'].includes(manifest.display) && manifest.icons)) {
        fail(`the manifest is not an app's: ${JSON.stringify(manifest)}`);
      }
      const session = await page().createCDPSession();
      const {installabilityErrors} = await session.send('Page.getInstallabilityErrors');
      if (installabilityErrors.length) fail(`not installable: ${JSON.stringify(installabilityErrors)}`);

      t.served.offline = true;
      await page().setOfflineMode(true);
      await page().reload();
      await t.until(() => Module.framesDrawn > 0, null, 'no frame offline');
      await page().setOfflineMode(false);
      t.served.offline = false;

      // The same module with a section of its own appended: a changed file.
      const changed = path.join(t.work, 'changed.wasm');
      const mark = Buffer.from('zirbel-changed');
      fs.writeFileSync(changed, Buffer.concat([fs.readFileSync(path.join(t.site, 'zirbel.wasm')),
                                               Buffer.from([0, mark.length + 1, mark.length]), mark]));
      t.served.files['/zirbel.wasm'] = changed;
      t.served.requests.length = 0;
      await page().reload();
      await t.until(() => Module.framesDrawn > 0, null, 'no frame with the changed module');
      const cached = await page().evaluate(async () =>
        (await (await (await caches.open('zirbel-site')).match('zirbel.wasm')).arrayBuffer()).byteLength);
      if (!t.served.requests.includes('/zirbel.wasm') || cached !== fs.statSync(changed).size) {
        fail(`the changed module was not served on the next visit (${cached} bytes kept)`);
      }
    },

    // Picked photos show again on the next visit; "Built-in pictures" forgets
    // them; the frame holds the screen's wake lock while it can be seen.
    async frame() {
      const folder = t.photoFolder('frame', 'ff00ff,00ff00', '--count', '6');
      await t.open('');
      await t.pick(folder);
      await shown(1, 'the photos were not shown');
      await t.until(async () => (await Module.photoStatus()).kept.files === 6, null, 'the photos were not kept');
      await page().reload();
      await t.until(() => Module.framesDrawn > 0, null, 'no frame on the next visit');
      const p = await t.probeUntil((p) => t.kaleidoscope(p) && p.colours > 0.7, 'ff00ff,00ff00', 30);
      if (!(p.colours > 0.7)) fail(`the kept photos do not show on the next visit: ${JSON.stringify(p)}`);
      await page().click('#builtin');
      await t.until(async () => (await Module.photoStatus()).kept.files === 0, null, 'Built-in pictures kept the photos');
      await page().reload();
      await t.until(() => Module.framesDrawn > 0, null, 'no frame after the photos were forgotten');
      await t.until(async () => (await Module.photoStatus()).checked, null, 'the kept photos were not looked for');
      const status = await t.photoStatus();
      const builtIn = await t.probe('ff00ff,00ff00');
      if (status.worker || status.shown || builtIn.colours > 0.5) fail('the forgotten photos came back');

      await page().evaluateOnNewDocument(() => {
        window.wakeCalls = [];
        const request = async (type) => {
          window.wakeCalls.push(type);
          const lock = new EventTarget();
          lock.release = async () => (window.wakeCalls.push('release'), lock.dispatchEvent(new Event('release')));
          return lock;
        };
        Object.defineProperty(navigator, 'wakeLock', {value: {request}, configurable: true});
      });
      await page().goto(t.address + '?frame');
      await t.until(() => window.wakeCalls.join() === 'screen', null, 'the frame took no wake lock');
      await t.setHidden(true);
      await t.until(() => window.wakeCalls.join() === 'screen,release', null, 'the hidden frame kept its wake lock');
      await t.setHidden(false);
      await t.until(() => window.wakeCalls.join() === 'screen,release,screen', null, 'the shown frame took no wake lock');
    },

    // P stops the frames and the picture; the picture goes on from where it
    // stopped; a visitor who asks for less motion gets the page paused.
    async pause() {
      await t.open('', {width: 640, height: 480, deviceScaleFactor: 1});
      await t.nextFrames(5, 'fewer than 5 frames');
      await page().keyboard.press('KeyP');
      await t.until(() => Module.paused, null, 'P did not pause');
      const paused = await page().evaluate(() => ({frames: Module.framesDrawn, seconds: Module.sceneSeconds, ms: performance.now()}));
      const still = await t.pixels(true);
      await t.animationFrames(30);
      const later = await t.pixels(true);
      if ((await t.frames()) !== paused.frames) fail('frames were drawn while paused');
      if (t.meanDifference(still, later) > 0.5) fail('the picture moved while paused');
      await page().keyboard.press('KeyP');
      await t.until((n) => Module.framesDrawn > n, paused.frames, 'P did not resume');
      const resumed = await page().evaluate(() => ({seconds: Module.sceneSeconds, ms: performance.now()}));
      if (resumed.seconds - paused.seconds > 0.5 * (resumed.ms - paused.ms) / 1000) fail('the picture jumped over the pause');

      await page().emulateMediaFeatures([{name: 'prefers-reduced-motion', value: 'reduce'}]);
      await page().reload();
      await t.until(() => Module.framesDrawn > 0 && Module.paused, null, 'less motion did not open paused');
      await t.animationFrames(30);
      if ((await t.frames()) !== 1) fail('frames were drawn after the first with less motion');
      if (!(await page().evaluate(() => !document.getElementById('play').hidden))) fail('no play control');
      await page().click('#play');
      await t.nextFrames(3, 'the play control did not play');
    },
  };
}
