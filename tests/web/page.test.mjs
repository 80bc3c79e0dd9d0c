// The web page in headless Chromium (WebGL through SwiftShader), driven
// through the DevTools protocol; the folder is served from 127.0.0.1.
//   node page.test.mjs CASE SITE DRIVER SYMMETRY_PROBE RENDER MAKE_PHOTOS
// CASE: picture, reference, keys, photos, context, picks, touch or offline.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

const [caseName, site, driver, probeTool, renderTool, makePhotos] = process.argv.slice(2);
const puppeteer = createRequire(path.resolve(driver, 'index.js'))('puppeteer-core');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zirbel-web-'));
const MB = 1024 * 1024;
const fail = (why) => { throw new Error(why); };
if (!fs.existsSync(path.join(site, 'zirbel.wasm'))) fail(`no web page in ${site} (build the web preset)`);

// The server: the site, the files a case puts in place of the site's, and a
// switch that takes it off the network.
const served = {files: {}, offline: false, requests: []};
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};
const server = http.createServer((request, response) => {
  if (served.offline) return request.socket.destroy();
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  served.requests.push(name);
  const file = served.files[name] || path.join(site, name === '/' ? 'index.html' : path.normalize(name));
  fs.readFile(file, (error, data) => {
    response.writeHead(error ? 404 : 200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    response.end(error ? '' : data);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const address = `http://127.0.0.1:${server.address().port}/`;

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
const errors = [];
const warnings = [];
const page = await browser.newPage();
page.on('console', (m) => (m.type() === 'error' ? errors : warnings).push(m.text()));
page.on('pageerror', (e) => errors.push(String(e)));

async function until(condition, argument, what, seconds = 15) {
  await page.waitForFunction(condition, {timeout: seconds * 1000, polling: 50}, argument).catch(() => fail(what));
}

// Does `action` (a key to press, or a function), then waits for `condition`.
async function after(action, condition, what, argument = null) {
  await (typeof action === 'string' ? page.keyboard.press(action) : action());
  await until(condition, argument, what);
}

const loaded = (what) => until(() => Module.framesDrawn > 0, null, what);

async function open(query, viewport = {width: 1280, height: 720, deviceScaleFactor: 1}) {
  await page.setViewport(viewport);
  await page.goto(address + query);
  await loaded('no frame was drawn');
}

async function reload(what) {
  await page.reload();
  await loaded(what);
}

// Whole segments (the count eases from 10 to 8 first): every copy mirrored alike.
const segmentsSettled = () => until(() => Module.segments === 8, null, 'the segments never settled', 30);

const frames = () => page.evaluate(() => Module.framesDrawn);
const nextFrames = async (count, what) => until((n) => Module.framesDrawn >= n, (await frames()) + count, what);
// Waits `count` animation frames of the browser (the time of a few frames, drawn or not).
const animationFrames = (count) => page.evaluate((n) => new Promise((resolve) => {
  const tick = () => (--n > 0 ? requestAnimationFrame(tick) : resolve());
  requestAnimationFrame(tick);
}), count);

// Fails when a frame is drawn past `count` (by default the frames drawn now)
// while 30 animation frames pass.
async function noFrames(during, count) {
  count ??= await frames();
  await animationFrames(30);
  const drawn = (await frames()) - count;
  if (drawn !== 0) fail(`${drawn} frames were drawn ${during}`);
}

// RGB rows top first: of the capture hook's next frame, of a screenshot of
// what the page shows (`png` true), or of a PNG (base64).
async function pixels(png = null) {
  if (png === true) png = await page.screenshot({encoding: 'base64'});
  const {width, height, rgba} = await page.evaluate(async (png) => {
    let image;
    if (png) {
      const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
      const context = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
      context.drawImage(bitmap, 0, 0);
      image = {width: bitmap.width, height: bitmap.height, rgba: context.getImageData(0, 0, bitmap.width, bitmap.height).data};
    } else {
      image = await Module.capture();
    }
    let text = '';
    for (let i = 0; i < image.rgba.length; i += 0x8000) text += String.fromCharCode.apply(null, image.rgba.subarray(i, i + 0x8000));
    return {width: image.width, height: image.height, rgba: btoa(text)};
  }, png);
  const from = Buffer.from(rgba, 'base64');
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = (png ? y : height - 1 - y) * width * 4;  // the capture's rows are bottom first
    for (let x = 0; x < width; ++x) from.copy(rgb, (y * width + x) * 3, row + x * 4, row + x * 4 + 3);
  }
  return {width, height, rgb};
}

// A frame through the symmetry probe: {lit, asym, colours}.
async function probe(colours, screen = false) {
  const {width, height, rgb} = await pixels(screen);
  const ppm = path.join(work, 'frame.ppm');
  fs.writeFileSync(ppm, Buffer.concat([Buffer.from(`P6 ${width} ${height} 255\n`), rgb]));
  const out = execFileSync(probeTool, colours ? [ppm, colours] : [ppm]).toString();
  return Object.fromEntries(out.trim().split(' ').map((pair) => pair.split('=')).map(([k, v]) => [k, Number(v)]));
}

const kaleidoscope = (p) => p.lit > 0.15 && p.asym < 0.1;
const showsColours = (p) => kaleidoscope(p) && p.colours > 0.7;

// Probes until `ok` holds or `seconds` pass (once with none); fails with
// `what` and the last probe when `ok` never held.
async function probeUntil(ok, what, {colours = null, seconds = 0, screen = false} = {}) {
  const deadline = Date.now() + seconds * 1000;
  let p;
  do p = await probe(colours, screen); while (!ok(p) && Date.now() < deadline);
  if (!ok(p)) fail(`${what}: ${JSON.stringify(p)}`);
}

// The mean difference of two same-sized pixel sets, in levels.
const meanDifference = (a, b) => a.rgb.reduce((sum, v, i) => sum + Math.abs(v - b.rgb[i]), 0) / a.rgb.length;

async function setHidden(hidden) {
  await page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', {value: hidden, configurable: true});
    Object.defineProperty(document, 'visibilityState', {value: hidden ? 'hidden' : 'visible', configurable: true});
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

function photoFolder(name, colours, ...options) {
  const folder = path.join(work, name);
  execFileSync(makePhotos, [folder, '--colours', colours, ...options]);
  return folder;
}
const fileCount = (folder) => fs.readdirSync(folder, {recursive: true, withFileTypes: true}).filter((f) => f.isFile()).length;

// A pick as the visitor makes one: the browser walks the folder on its own
// time and a second pick before it hands over the first would replace it, so
// each waits for the input's change.
async function pick(folder) {
  await page.evaluate(() => {
    window.picked = false;
    document.getElementById('photo-input').addEventListener('change', () => (window.picked = true), {once: true});
  });
  await (await page.$('#photo-input')).uploadFile(folder);
  await until(() => window.picked, null, `the browser never handed over ${folder}`);
}
const photoStatus = () => page.evaluate(() => Module.photoStatus());
const shown = (n, what, seconds = 30) => until(async (n) => (await Module.photoStatus()).shown === n, n, what, seconds);
const kept = (n, what) => until(async (n) => (await Module.photoStatus()).kept.files === n, n, what);

const cases = {
  // A lit, mirrored picture. While the page says hidden (its visibility
  // overridden and its event dispatched) no frame is drawn. P stops the
  // frames and the picture, which goes on from where it stopped; a visitor
  // who asks for less motion gets the page paused.
  async picture() {
    await open('');
    await nextFrames(5, 'fewer than 5 frames');
    await segmentsSettled();
    await probeUntil(kaleidoscope, 'no lit, mirrored picture');
    await setHidden(true);
    await noFrames('while the page was hidden');
    await setHidden(false);
    await nextFrames(3, 'no frames after the page was shown again');

    await after('KeyP', () => Module.paused, 'P did not pause');
    const paused = await page.evaluate(() => ({frames: Module.framesDrawn, seconds: Module.sceneSeconds, ms: performance.now()}));
    const still = await pixels(true);
    await noFrames('while paused', paused.frames);
    if (meanDifference(still, await pixels(true)) > 0.5) fail('the picture moved while paused');
    await after('KeyP', (n) => Module.framesDrawn > n, 'P did not resume', paused.frames);
    const resumed = await page.evaluate(() => ({seconds: Module.sceneSeconds, ms: performance.now()}));
    if (resumed.seconds - paused.seconds > 0.5 * (resumed.ms - paused.ms) / 1000) fail('the picture jumped over the pause');

    await page.emulateMediaFeatures([{name: 'prefers-reduced-motion', value: 'reduce'}]);
    await after(() => page.reload(), () => Module.framesDrawn > 0 && Module.paused, 'less motion did not open paused');
    await noFrames('after the first with less motion', 1);
    if (!(await page.evaluate(() => !document.getElementById('play').hidden))) fail('no play control');
    await page.click('#play');
    await nextFrames(3, 'the play control did not play');
  },

  // The still frame at 5 s of seed 1 against the offscreen renderer's: the
  // mean difference over every channel of every pixel at most 3 levels.
  async reference() {
    const file = path.join(work, 'reference.png');
    execFileSync(renderTool, ['--size', '1280x720', '--seed', '1', '--seconds', '5', '--output', file]);
    await open('?seed=1&time=5&still');
    const frame = await pixels();
    const reference = await pixels(fs.readFileSync(file).toString('base64'));
    const sameSize = frame.width === reference.width && frame.height === reference.height;
    const mean = sameSize ? meanDifference(frame, reference) : Infinity;
    console.log(`mean difference to the offscreen renderer: ${mean.toFixed(3)} levels`);
    if (!(mean <= 3)) fail(`the still frame differs from the offscreen renderer's by ${mean} levels on average`);
  },

  async keys() {
    await open('?saver&levels=1');
    await after('Digit5', () => Module.levels === 6, '5 did not give 6 levels');
    await after('KeyM', () => Module.mirrorsOff, 'M did not turn the mirrors off');
    await after('KeyM', () => !Module.mirrorsOff, 'M did not turn the mirrors on again');
    await after('KeyF', () => document.fullscreenElement !== null && Module.saver, 'F did not start the saver in full screen');
    await after('Digit2', () => Module.levels === 3 && document.fullscreenElement !== null,
                '2 did not give 3 levels, or left full screen');
    await after('KeyQ', () => document.fullscreenElement === null, 'Q did not leave full screen in saver mode');
  },

  // Two loud colours in JPEGs that carry Exif orientations and PNGs, and a
  // broken file: the discs show the colours and the broken file is named.
  // The photos show again on the next visit; "Built-in pictures" forgets
  // them; the frame holds the screen's wake lock while it can be seen.
  async photos() {
    const loud = 'ff00ff,00ff00';
    const folder = photoFolder('photos', loud, '--count', '8', '--png-every', '4');
    fs.writeFileSync(path.join(folder, 'broken.jpg'), 'not a photo');
    // One of the PNGs becomes a WebP photo, decoded by the page's own decoder.
    execFileSync('cwebp', ['-quiet', path.join(folder, 'photo-00003.png'), '-o', path.join(folder, 'photo-00003.webp')]);
    fs.rmSync(path.join(folder, 'photo-00003.png'));
    await open('');
    await probeUntil((p) => p.colours <= 0.5, 'the built-in pictures look like the photos', {colours: loud});
    // The picker takes a folder: the browser hands over the files in it and its subfolders.
    await pick(folder);
    await probeUntil(showsColours, 'the discs do not show the photos', {colours: loud, seconds: 30});
    if (!warnings.some((w) => w.includes('broken.jpg: skipped'))) fail('no word on broken.jpg');
    const skipped = warnings.filter((w) => w.includes(': skipped') && !w.includes('broken.jpg'));
    if (skipped.length) fail(`photos that should show were skipped: ${skipped.join('; ')}`);
    await kept(fileCount(folder), 'the photos were not kept');
    await reload('no frame on the next visit');
    await probeUntil(showsColours, 'the kept photos do not show on the next visit', {colours: loud, seconds: 30});
    await page.click('#builtin');
    await kept(0, 'Built-in pictures kept the photos');
    await reload('no frame after the photos were forgotten');
    await until(async () => (await Module.photoStatus()).checked, null, 'the kept photos were not looked for');
    const status = await photoStatus();
    if (status.worker || status.shown || (await probe(loud)).colours > 0.5) fail('the forgotten photos came back');

    await page.evaluateOnNewDocument(() => {
      window.wakeCalls = [];
      const request = async (type) => {
        window.wakeCalls.push(type);
        const lock = new EventTarget();
        lock.release = async () => (window.wakeCalls.push('release'), lock.dispatchEvent(new Event('release')));
        return lock;
      };
      Object.defineProperty(navigator, 'wakeLock', {value: {request}, configurable: true});
    });
    await open('?frame');
    await until(() => window.wakeCalls.join() === 'screen', null, 'the frame took no wake lock');
    await after(() => setHidden(true), () => window.wakeCalls.join() === 'screen,release', 'the hidden frame kept its wake lock');
    await after(() => setHidden(false), () => window.wakeCalls.join() === 'screen,release,screen',
                'the shown frame took no wake lock');
  },

  // Lose the context, wait, give it back: the picture comes back with the
  // same controls; lost for good: a word on the page, no frame counted or captured.
  async context() {
    await open('?levels=3', {width: 800, height: 600, deviceScaleFactor: 1});
    await segmentsSettled();
    const lose = () => page.evaluate(() => {
      window.loseContext = Module.canvas.getContext('webgl').getExtension('WEBGL_lose_context');
      window.loseContext.loseContext();
    });
    await lose();
    await noFrames('while the context was lost');
    await page.evaluate(() => window.loseContext.restoreContext());
    await probeUntil(kaleidoscope, 'no lit, mirrored picture within 2 s of the restore', {seconds: 2, screen: true});
    const controls = await page.evaluate(() => [Module.levels, Module.mirrorsOff]);
    if (controls[0] !== 3 || controls[1]) fail(`the restored picture has other controls: ${controls}`);
    // The GPU process ends (as with a driver reset): the browser gives the context back by itself.
    await (await browser.target().createCDPSession()).send('Browser.crashGpuProcess');
    await nextFrames(3, 'no frames after the GPU process ended');
    await probeUntil(kaleidoscope, 'no picture after the GPU process ended', {seconds: 5, screen: true});

    await lose();
    const before = await frames();
    // Not awaited: no frame comes to capture while the context is lost.
    await page.evaluate(() => void Module.capture().then(() => (window.capturedWhileLost = true)));
    await until(() => !document.getElementById('note').hidden, null, 'no word on the lost context');
    await noFrames('while the context stayed lost', before);
    if (await page.evaluate(() => window.capturedWhileLost)) fail('a frame was captured while the context was lost');
  },

  // The frames keep their pace while a folder decodes; a new pick replaces
  // the one before, however far that got; ten picks keep one copy; a pick
  // over the budget is refused with a word that names it.
  async picks() {
    const slow = photoFolder('slow', 'ff00ff', '--count', '16', '--size', '2000x1500', '--png-every', '1');
    const fast = photoFolder('fast', '00ff00,0000ff', '--count', '6');
    await open('', {width: 640, height: 480, deviceScaleFactor: 1});
    const clock = () => page.evaluate(() => ({frames: Module.framesDrawn, ms: performance.now()}));
    const rate = (a, b) => (b.frames - a.frames) * 1000 / (b.ms - a.ms);
    const calm = await clock();
    await nextFrames(24, 'no frames');
    const calmRate = rate(calm, await clock());
    await pick(slow);
    const decoding = await clock();
    await shown(1, 'the slow folder was never shown', 60);
    const decoded = await clock();
    console.log(`frames/s ${calmRate.toFixed(1)} before the pick, ${rate(decoding, decoded).toFixed(1)} while ` +
                `${(decoded.ms - decoding.ms).toFixed(0)} ms of decoding`);
    if (decoded.ms - decoding.ms > 500 && rate(decoding, decoded) < 0.5 * calmRate) {
      fail('the frames lost their pace while the folder decoded');
    }

    await pick(slow);
    await until(async () => (await Module.photoStatus()).worker?.files === 16, null, 'the slow folder was not started');
    await pick(fast);
    await shown(3, 'the later, faster pick was not shown');
    await until(async () => !(await Module.photoStatus()).worker, null, 'a worker outlived its pick');
    await probeUntil((p) => p.colours > 0.7, 'the last pick is not the one shown', {colours: '00ff00,0000ff'});

    const heap = (await photoStatus()).pageHeap;
    for (let i = 0; i < 10; ++i) await pick(fast);
    await shown(13, 'the tenth pick was not shown');
    await kept(fileCount(fast), 'the pick was not kept');
    const status = await photoStatus();
    if (status.worker || status.pageHeap > heap + 8 * MB) fail(`ten picks left more behind: ${JSON.stringify(status)}`);

    const over = path.join(work, 'over');
    fs.mkdirSync(over);
    for (let i = 0; i < 5; ++i) {
      fs.writeFileSync(path.join(over, `big-${i}.jpg`), '');
      fs.truncateSync(path.join(over, `big-${i}.jpg`), 120 * MB);  // sparse: only its size is read
    }
    await pick(over);
    await until(() => {
      const note = document.getElementById('note');
      return !note.hidden && note.textContent.includes('512 MB');
    }, null, 'a pick over the budget was not refused with its word');
    if ((await photoStatus()).shown !== 13) fail('a refused pick replaced the photos shown');
  },

  // A phone: a tap shows the controls; each does what its key does; the
  // settings are kept as the address's are; in saver mode a touch elsewhere ends it.
  async touch() {
    await open('?saver&levels=1', {width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true});
    const stripShown = () => page.evaluate(() => !document.getElementById('strip').hidden);
    if (await stripShown()) fail('the controls show before a tap');
    const touch = () => page.touchscreen.tap(195, 150);
    const tap = async (selector) => (await page.$(selector)).tap();
    const control = async (selector) => {
      if (!(await stripShown())) await touch();
      await tap(selector);
    };
    await after(touch, () => !document.getElementById('strip').hidden, 'a tap did not show the controls');
    await after(() => control('[data-levels="1"]'), () => Module.levels === 2, '+ did not give 2 levels');
    await after(() => control('[data-levels="-1"]'), () => Module.levels === 1, '− did not give 1 level');
    const mirrored = await outlinePoints();
    await after(() => control('#mirrors'), () => Module.mirrorsOff, 'Mirrors did not turn the mirrors off');
    await nextFrames(2, 'no frames without mirrors');
    const outlined = await outlinePoints();
    console.log(`points of a red outline: ${outlined} without mirrors, ${mirrored} with`);
    if (!(outlined >= mirrored + 6)) fail(`no red outline without mirrors: ${outlined} points against ${mirrored}`);
    await after(() => control('#mirrors'), () => !Module.mirrorsOff, 'Mirrors did not turn the mirrors on again');
    const report = () => page.evaluate(() => {
      Module._zirbel_report(Module.page);
      return {fedBackSize: Module.fedBackSize, spin: Module.spin, transitionTicks: Module.transitionTicks};
    });
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
    await after(() => tap('#use-mirrors'), () => Module.useMirrors === 0 && localStorage['zirbel.UseMirrors'] === '0',
                'the mirror setting was not kept');
    await tap('#use-mirrors');
    await tap('[data-start="1"]');
    await until(() => Module.startLevels === 2 && Module.levels === 2 && localStorage['zirbel.Levels'] === '2' &&
                      localStorage['zirbel.UseMirrors'] === '1', null, 'the level setting was not kept');
    const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 5000}), control('#strip-photos')]);
    await chooser.cancel();
    await after(() => control('[data-key="KeyF"]'), () => document.fullscreenElement !== null && Module.saver,
                'Full screen did not start the saver');
    await after(() => tap('[data-levels="1"]'), () => Module.levels === 3 && document.fullscreenElement !== null,
                'a control ended the saver');
    await after(touch, () => document.fullscreenElement === null, 'a touch did not end the saver');
  },

  // After one visit the page opens with no network; it can be installed;
  // a changed site is what the next visit gets.
  async offline() {
    await open('');
    await until(async () => (await navigator.serviceWorker.ready).active.state === 'activated' &&
                            !!navigator.serviceWorker.controller, null, 'no active service worker');
    const manifest = await page.evaluate(async () => {
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
    const {installabilityErrors} = await (await page.createCDPSession()).send('Page.getInstallabilityErrors');
    if (installabilityErrors.length) fail(`not installable: ${JSON.stringify(installabilityErrors)}`);

    served.offline = true;
    await page.setOfflineMode(true);
    await reload('no frame offline');
    await page.setOfflineMode(false);
    served.offline = false;

    // The same module with a section of its own appended: a changed file.
    const changed = path.join(work, 'changed.wasm');
    const mark = Buffer.from('zirbel-changed');
    fs.writeFileSync(changed, Buffer.concat([fs.readFileSync(path.join(site, 'zirbel.wasm')),
                                             Buffer.from([0, mark.length + 1, mark.length]), mark]));
    served.files['/zirbel.wasm'] = changed;
    served.requests.length = 0;
    await reload('no frame with the changed module');
    const cached = await page.evaluate(async () =>
      (await (await (await caches.open('zirbel-site')).match('zirbel.wasm')).arrayBuffer()).byteLength);
    if (!served.requests.includes('/zirbel.wasm') || cached !== fs.statSync(changed).size) {
      fail(`the changed module was not served on the next visit (${cached} bytes kept)`);
    }
  },
};

// How many points along the unrotated mirror segment's outline (from the
// centre straight down 4 units, across the rim and back, in a view narrower
// than high, whose half width shows 5.5 units) show a thin red line: pure
// red there and not 4 pixels to either side (a red disc is red across).
// The best of three screenshots: the discs pass over the outline.
async function outlinePoints() {
  let best = 0;
  for (let shot = 0; shot < 3; ++shot) {
    const angle = await page.evaluate(() => 2 * Math.PI / Module.segments);
    const {width, height, rgb} = await pixels(true);
    const unit = width / 2 / 5.5;
    const red = (x, y) => {
      const i = (Math.round(y) * width + Math.round(x)) * 3;
      return rgb[i] > 180 && rgb[i + 1] < 50 && rgb[i + 2] < 50;
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

let status = 0;
try {
  if (!cases[caseName]) fail(`no case ${caseName}`);
  await cases[caseName]();
  if (errors.length) fail(`errors on the console: ${errors.join(' | ')}`);
  console.log(`web ${caseName}: passed`);
} catch (error) {
  console.error(`web ${caseName}: ${error.message}`);
  status = 1;
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, {recursive: true, force: true});
}
process.exit(status);
