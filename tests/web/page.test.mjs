// The web page in headless Chromium (WebGL through SwiftShader), driven
// through the DevTools protocol; the folder is served from 127.0.0.1.
//   node page.test.mjs CASE SITE DRIVER SYMMETRY_PROBE RENDER MAKE_PHOTOS
// CASE: picture, reference, keys, photos, hidden, context, picks, touch,
// offline, frame or pause.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

const [caseName, site, driver, probeTool, renderTool, makePhotos] = process.argv.slice(2);
const puppeteer = createRequire(path.resolve(driver, 'index.js'))('puppeteer-core');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zirbel-web-'));
const fail = (why) => { throw new Error(why); };
if (!fs.existsSync(path.join(site, 'zirbel.wasm'))) fail(`no web page in ${site} (build the web preset)`);

// The server: the site, the files a case adds, and a switch that takes it off the network.
const served = {files: {'/reference.png': null}, offline: false, requests: []};
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};
const server = http.createServer((request, response) => {
  if (served.offline) return request.socket.destroy();
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  served.requests.push(name);
  const file = name in served.files ? served.files[name] : path.join(site, name === '/' ? 'index.html' : path.normalize(name));
  const type = types[path.extname(file || '')] || (name === '/' ? types['.html'] : 'application/octet-stream');
  fs.readFile(file || '', (error, data) => {
    response.writeHead(error ? 404 : 200, {'Content-Type': type});
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
let page;

async function open(query, viewport = {width: 1280, height: 720, deviceScaleFactor: 1}, before = async () => {}) {
  if (!page) {
    page = await browser.newPage();
    page.on('console', (m) => (m.type() === 'error' ? errors : warnings).push(m.text()));
    page.on('pageerror', (e) => errors.push(String(e)));
  }
  await page.setViewport(viewport);
  await before();
  await page.goto(address + query);
  await until(() => Module.framesDrawn > 0, null, 'no frame was drawn');
}

async function until(condition, argument, what, seconds = 15) {
  await page.waitForFunction(condition, {timeout: seconds * 1000, polling: 50}, argument).catch(() => fail(what));
}

const frames = () => page.evaluate(() => Module.framesDrawn);
const nextFrames = async (count, what) => until((n) => Module.framesDrawn >= n, (await frames()) + count, what);
// Waits `count` animation frames of the browser (the time of a few frames, drawn or not).
const animationFrames = (count) => page.evaluate((n) => new Promise((resolve) => {
  const tick = () => (--n > 0 ? requestAnimationFrame(tick) : resolve());
  requestAnimationFrame(tick);
}), count);

// RGB rows top first from the capture hook's next frame, or with `screen`
// from a screenshot of what the page shows.
async function pixels(screen) {
  const png = screen ? await page.screenshot({encoding: 'base64'}) : null;
  return page.evaluate(async (png) => {
    let width, height, rgba, flip = false;
    if (png) {
      const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
      [width, height] = [bitmap.width, bitmap.height];
      const context = new OffscreenCanvas(width, height).getContext('2d');
      context.drawImage(bitmap, 0, 0);
      rgba = context.getImageData(0, 0, width, height).data;
    } else {
      ({width, height, rgba} = await Module.capture());
      flip = true;
    }
    const out = new Uint8Array(width * height * 3);
    for (let y = 0, o = 0; y < height; ++y) {
      for (let i = (flip ? height - 1 - y : y) * width * 4, end = i + width * 4; i < end; i += 4) {
        out.set(rgba.subarray(i, i + 3), (o += 3) - 3);
      }
    }
    let text = '';
    for (let i = 0; i < out.length; i += 0x8000) text += String.fromCharCode.apply(null, out.subarray(i, i + 0x8000));
    return {width, height, rgb: btoa(text)};
  }, png).then(({width, height, rgb}) => ({width, height, rgb: Buffer.from(rgb, 'base64')}));
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

// Probes until `ok` holds or `seconds` pass; the last probe.
async function probeUntil(ok, colours, seconds, screen = false) {
  const deadline = Date.now() + seconds * 1000;
  let p;
  do p = await probe(colours, screen); while (!ok(p) && Date.now() < deadline);
  return p;
}

// The mean difference of two same-sized pixel sets, in levels.
const meanDifference = (a, b) => a.rgb.reduce((sum, v, i) => sum + Math.abs(v - b.rgb[i]), 0) / a.rgb.length;

function photoFolder(name, colours, ...options) {
  const folder = path.join(work, name);
  execFileSync(makePhotos, [folder, '--colours', colours, ...options]);
  return folder;
}

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

const cases = {
  async picture() {
    await open('');
    await nextFrames(5, 'fewer than 5 frames');
    const p = await probe();
    if (!kaleidoscope(p)) fail(`no lit, mirrored picture: ${JSON.stringify(p)}`);
  },

  // The still frame at 5 s of seed 1 against the offscreen renderer's: the
  // mean difference over every channel of every pixel at most 3 levels.
  async reference() {
    served.files['/reference.png'] = path.join(work, 'reference.png');
    execFileSync(renderTool, ['--size', '1280x720', '--seed', '1', '--seconds', '5', '--output', served.files['/reference.png']]);
    await open('?seed=1&time=5&still');
    const mean = await page.evaluate(async () => {
      const image = new Image();
      image.src = '/reference.png';
      await image.decode();
      const canvas = Object.assign(document.createElement('canvas'), {width: image.width, height: image.height});
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      const reference = context.getImageData(0, 0, image.width, image.height).data;
      const {width, height, rgba} = await Module.capture();
      if (width !== image.width || height !== image.height) return Infinity;
      let sum = 0;
      for (let y = 0; y < height; ++y) {
        for (let i = 0; i < width * 4; ++i) {
          if (i % 4 !== 3) sum += Math.abs(rgba[(height - 1 - y) * width * 4 + i] - reference[y * width * 4 + i]);
        }
      }
      return sum / (width * height * 3);
    });
    console.log(`mean difference to the offscreen renderer: ${mean.toFixed(3)} levels`);
    if (!(mean <= 3)) fail(`the still frame differs from the offscreen renderer's by ${mean} levels on average`);
  },

  async keys() {
    await open('?saver&levels=1');
    await page.keyboard.press('Digit5');
    await until(() => Module.levels === 6, null, '5 did not give 6 levels');
    await page.keyboard.press('KeyM');
    await until(() => Module.mirrorsOff, null, 'M did not turn the mirrors off');
    await page.keyboard.press('KeyM');
    await until(() => !Module.mirrorsOff, null, 'M did not turn the mirrors on again');
    await page.keyboard.press('KeyF');
    await until(() => document.fullscreenElement !== null && Module.saver, null, 'F did not start the saver in full screen');
    await page.keyboard.press('Digit2');
    await until(() => Module.levels === 3, null, '2 did not give 3 levels in full screen');
    if (!(await page.evaluate(() => document.fullscreenElement !== null))) fail('a control key left full screen');
    await page.keyboard.press('KeyQ');
    await until(() => document.fullscreenElement === null, null, 'Q did not leave full screen in saver mode');
  },

  // Two loud colours in JPEGs that carry Exif orientations, and a broken file.
  async photos() {
    const folder = photoFolder('photos', 'ff00ff,00ff00', '--count', '8', '--png-every', '4');
    fs.writeFileSync(path.join(folder, 'broken.jpg'), 'not a photo');
    await open('');
    if ((await probe('ff00ff,00ff00')).colours > 0.5) fail('the built-in pictures look like the photos');
    // The picker takes a folder: the browser hands over the files in it and its subfolders.
    await pick(folder);
    const p = await probeUntil((p) => kaleidoscope(p) && p.colours > 0.7, 'ff00ff,00ff00', 30);
    if (!(kaleidoscope(p) && p.colours > 0.7)) fail(`the discs do not show the photos: ${JSON.stringify(p)}`);
    if (!warnings.some((w) => w.includes('broken.jpg: skipped'))) fail('no word on broken.jpg');
  },

  // The page's visibility is overridden and its event dispatched: while it
  // says hidden, 30 animation frames pass without a frame drawn.
  async hidden() {
    await open('');
    await setHidden(true);
    const before = await frames();
    await animationFrames(30);
    if ((await frames()) !== before) fail(`${(await frames()) - before} frames were drawn while the page was hidden`);
    await setHidden(false);
    await nextFrames(3, 'no frames after the page was shown again');
  },
};

async function setHidden(hidden) {
  await page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', {value: hidden, configurable: true});
    Object.defineProperty(document, 'visibilityState', {value: hidden ? 'hidden' : 'visible', configurable: true});
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

// The cases of the page as an app (page-app.mjs) with these helpers.
Object.assign(cases, (await import('./page-app.mjs')).appCases({
  page: () => page, site, served, address, work, fail, open, until, frames, nextFrames, animationFrames, pixels, probe,
  probeUntil, kaleidoscope, meanDifference, photoFolder, pick, photoStatus, setHidden,
}));

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
