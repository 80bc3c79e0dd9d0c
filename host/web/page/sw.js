'use strict';
// The page's service worker: the page's files are kept in a cache, so that a
// visit without a network opens the page (and an installed app works
// offline). Each request asks the network first, so that a changed site is
// what the next visit gets, and keeps the answer; only when the network
// cannot be had does the kept copy answer.
const kCache = 'zirbel-site';
const kFiles = ['./', 'page.js', 'photos.js', 'controls.js', 'zirbel.js', 'zirbel.wasm', 'photo-worker.js',
                'photo-worker.wasm', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  const fresh = kFiles.map((file) => new Request(file, {cache: 'reload'}));
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(fresh)).then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

// The page itself, whatever its address's options, is kept as './'.
function cacheKey(request) {
  const url = new URL(request.url);
  return request.mode === 'navigate' ? new URL('./', self.registration.scope).href : url.origin + url.pathname;
}

async function answer(request) {
  const cache = await caches.open(kCache);
  const key = cacheKey(request);
  try {
    // Revalidated with the server, so that nothing stale is held.
    const response = await fetch(request.mode === 'navigate' ? request.url : request, {cache: 'no-cache'});
    if (response.ok) {
      await cache.put(key, response.clone());
      return response;
    }
    return (await cache.match(key)) || response;
  } catch (error) {
    const kept = await cache.match(key);
    if (kept) return kept;
    throw error;
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(answer(event.request));
});
