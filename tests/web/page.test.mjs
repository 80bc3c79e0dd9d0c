// The web page in headless Chromium (WebGL through SwiftShader), driven
// through the DevTools protocol; the folder is served from 127.0.0.1.
//   node page.test.mjs CASE SITE DRIVER SYMMETRY_PROBE RENDER MAKE_PHOTOS
// CASE: picture, reference, keys, photos or hidden.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

const [caseName, site, driver, probeTool, renderTool, makePhotos] = process.argv.slice(2);
const puppeteer = createRequire(path.resolve(driver, 'index.js'))('puppeteer-core');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zirbel-web-'));
const files = {'/reference.png': null};
const fail = (why) => { throw new Error(why); };
if (!fs.existsSync(path.join(site, 'zirbel.wasm'))) fail(`no web page in ${site} (build the web preset)`);

const server = http.createServer((request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  const file = name in files ? files[name] : path.join(site, name === '/' ? 'index.html' : path.normalize(name));
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png'};
  fs.readFile(file || '', (error, data) => {
    response.writeHead(error ? 404 : 200, {'Content-Type': types[path.extname(file || '')] || 'application/octet-stream'});
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

async function open(query) {
  page = await browser.newPage();
  page.on('console', (m) => (m.type() === 'error' ? errors : warnings).push(m.text()));
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.setViewport({width: 1280, height: 720, deviceScaleFactor: 1});
  await page.goto(address + query);
  await until(() => Module.framesDrawn > 0, null, 'no frame was drawn');
}

async function until(condition, argument, what, seconds = 15) {
  await page.waitForFunction(condition, {timeout: seconds * 1000, polling: 50}, argument).catch(() => fail(what));
}

// The next frame through the symmetry probe: {lit, asym, colours}.
async function probe(colours) {
  const [width, height, rgb] = await page.evaluate(async () => {
    const {width, height, rgba} = await Module.capture();
    const out = new Uint8Array(width * height * 3);
    for (let y = 0, o = 0; y < height; ++y) {
      for (let i = (height - 1 - y) * width * 4, end = i + width * 4; i < end; i += 4) out.set(rgba.subarray(i, i + 3), (o += 3) - 3);
    }
    let text = '';
    for (let i = 0; i < out.length; i += 0x8000) text += String.fromCharCode.apply(null, out.subarray(i, i + 0x8000));
    return [width, height, btoa(text)];
  });
  const ppm = path.join(work, 'frame.ppm');
  fs.writeFileSync(ppm, Buffer.concat([Buffer.from(`P6 ${width} ${height} 255\n`), Buffer.from(rgb, 'base64')]));
  const out = execFileSync(probeTool, colours ? [ppm, colours] : [ppm]).toString();
  return Object.fromEntries(out.trim().split(' ').map((pair) => pair.split('=')).map(([k, v]) => [k, Number(v)]));
}

const kaleidoscope = (p) => p.lit > 0.15 && p.asym < 0.1;

const cases = {
  async picture() {
    await open('');
    await until(() => Module.framesDrawn >= 5, null, 'fewer than 5 frames');
    const p = await probe();
    if (!kaleidoscope(p)) fail(`no lit, mirrored picture: ${JSON.stringify(p)}`);
  },

  // The still frame at 5 s of seed 1 against the offscreen renderer's: the
  // mean difference over every channel of every pixel at most 3 levels.
  async reference() {
    files['/reference.png'] = path.join(work, 'reference.png');
    execFileSync(renderTool, ['--size', '1280x720', '--seed', '1', '--seconds', '5', '--output', files['/reference.png']]);
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
    await until(() => document.fullscreenElement !== null, null, 'F did not go full screen');
    await page.keyboard.press('Digit2');
    await until(() => Module.levels === 3, null, '2 did not give 3 levels in full screen');
    if (!(await page.evaluate(() => document.fullscreenElement !== null))) fail('a control key left full screen');
    await page.keyboard.press('KeyQ');
    await until(() => document.fullscreenElement === null, null, 'Q did not leave full screen in saver mode');
  },

  // Two loud colours in JPEGs that carry Exif orientations, and a broken file.
  async photos() {
    const folder = path.join(work, 'photos');
    execFileSync(makePhotos, [folder, '--count', '8', '--colours', 'ff00ff,00ff00', '--png-every', '4']);
    fs.writeFileSync(path.join(folder, 'broken.jpg'), 'not a photo');
    await open('');
    if ((await probe('ff00ff,00ff00')).colours > 0.5) fail('the built-in pictures look like the photos');
    // The picker takes a folder: the browser hands over the files in it and its subfolders.
    await (await page.$('#photo-input')).uploadFile(folder);
    const deadline = Date.now() + 30000;
    let p;
    do p = await probe('ff00ff,00ff00'); while (!(kaleidoscope(p) && p.colours > 0.7) && Date.now() < deadline);
    if (!(kaleidoscope(p) && p.colours > 0.7)) fail(`the discs do not show the photos: ${JSON.stringify(p)}`);
    if (!warnings.some((w) => w.includes('broken.jpg: skipped'))) fail('no word on broken.jpg');
  },

  // The page's visibility is overridden and its event dispatched: while it
  // says hidden, 30 animation frames pass without a frame drawn.
  async hidden() {
    await open('');
    const setHidden = (hidden) => {
      Object.defineProperty(document, 'hidden', {value: hidden, configurable: true});
      Object.defineProperty(document, 'visibilityState', {value: hidden ? 'hidden' : 'visible', configurable: true});
      document.dispatchEvent(new Event('visibilitychange'));
    };
    await page.evaluate(setHidden, true);
    const drawn = await page.evaluate(() => new Promise((resolve) => {
      const before = Module.framesDrawn;
      let ticks = 0;
      const tick = () => (++ticks < 30 ? requestAnimationFrame(tick) : resolve(Module.framesDrawn - before));
      requestAnimationFrame(tick);
    }));
    if (drawn !== 0) fail(`${drawn} frames were drawn while the page was hidden`);
    const shown = await page.evaluate(() => Module.framesDrawn);
    await page.evaluate(setHidden, false);
    await until((n) => Module.framesDrawn > n + 2, shown, 'no frames after the page was shown again');
  },
};

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
