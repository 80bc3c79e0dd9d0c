// The web page in headless Chromium (SwiftShader) at 1280 x 720: when its
// first frame is drawn (on the first visit, and from the page's offline copy
// with the network off), its frames per second, and Chromium's CPU time per
// frame (all its processes). Used by bench/web.sh.
//   node bench/web-page.mjs SITE DRIVER [SECONDS] [WARM_UP_SECONDS]
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import path from 'node:path';

const [site, driver, seconds = '10', warmUp = '15'] = process.argv.slice(2);
const puppeteer = createRequire(path.resolve(driver, 'index.js'))('puppeteer-core');
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
               '.webmanifest': 'application/manifest+json'};
let offline = false;
const server = http.createServer((request, response) => {
  if (offline) return request.socket.destroy();
  const name = new URL(request.url, 'http://x').pathname;
  const file = path.join(site, name === '/' ? 'index.html' : path.normalize(name));
  fs.readFile(file, (error, data) => {
    response.writeHead(error ? 404 : 200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    response.end(error ? '' : data);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));

// CPU seconds of a process and all its descendants.
const hz = 100;
function cpuSeconds(root) {
  const stats = fs.readdirSync('/proc').filter((d) => /^\d+$/.test(d)).map((pid) => {
    try {
      const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
      return {pid: Number(pid), ppid: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12])};
    } catch {
      return null;
    }
  }).filter((s) => s);
  const family = new Set([root]);
  for (let grown = true; grown;) {
    grown = false;
    for (const s of stats) if (!family.has(s.pid) && family.has(s.ppid)) family.add(s.pid), grown = true;
  }
  return stats.filter((s) => family.has(s.pid)).reduce((sum, s) => sum + s.ticks, 0) / hz;
}

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
const page = await browser.newPage();
await page.setViewport({width: 1280, height: 720, deviceScaleFactor: 1});
await page.goto(`http://127.0.0.1:${server.address().port}/?seed=1`);
await page.waitForFunction(() => Module.framesDrawn > 0, {timeout: 30000});
const first = await page.evaluate(() => Module.firstFrameMs);
await page.waitForFunction(async () => (await navigator.serviceWorker.ready).active.state === 'activated', {timeout: 30000});
await new Promise((resolve) => setTimeout(resolve, Number(warmUp) * 1000));
const pid = browser.process().pid;
const f0 = await page.evaluate(() => Module.framesDrawn);
const c0 = cpuSeconds(pid);
const t0 = Date.now();
await new Promise((resolve) => setTimeout(resolve, Number(seconds) * 1000));
const f1 = await page.evaluate(() => Module.framesDrawn);
const c1 = cpuSeconds(pid);
const t1 = Date.now();
const frames = f1 - f0;
// The next visit with no network: the page's offline copy.
offline = true;
await page.setOfflineMode(true);
await page.reload();
await page.waitForFunction(() => Module.framesDrawn > 0, {timeout: 30000});
const offlineFirst = await page.evaluate(() => Module.firstFrameMs);
console.log(`first frame ${first.toFixed(0)} ms after the page began to load (first visit), ` +
            `${offlineFirst.toFixed(0)} ms offline from its kept copy`);
console.log(`${(frames * 1000 / (t1 - t0)).toFixed(1)} frames/s  Chromium ${((c1 - c0) * 1000 / frames).toFixed(2)} ms CPU/frame`);
await browser.close();
server.close();
