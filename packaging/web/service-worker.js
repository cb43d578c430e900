// The page's service worker: it keeps this build of the game in the browser, so that the game
// starts and plays with no network after one visit. The build writes in the words between
// at-signs: the build's name (a hash of its files) and each file with its SHA-256.
//
// A build's files are kept together in one cache named after the build, and served from there
// only: a page never mixes files of two builds. A new build, found when the browser checks
// this file on a visit, is fetched whole beside the old one (each file checked against the
// hash it was built with) and then takes over, removing the old; the page on show keeps
// playing what it loaded, and the next visit plays the new build. The worker fetches nothing
// else, from nowhere else, and keeps nothing else.
'use strict';

const BUILD = '@BUILD@';
const FILES = @FILES@;
// Several copies of the game may live on one site: each keeps to its own caches.
const PREFIX = `girolettera ${self.registration.scope} `;
const CACHE = PREFIX + BUILD;

const hex = bytes => [...new Uint8Array(bytes)].map(b => b.toString(16).padStart(2, '0')).join('');

// A file as the server has it now: asked with the browser's cache revalidated, so an
// unchanged file costs a check and a changed one is never taken from an old copy.
const fetchChecked = async (file, hash) => {
  const response = await fetch(new Request(file, { cache: 'no-cache' }));
  if (!response.ok)
    throw new Error(`${file}: ${response.status} ${response.statusText}`);
  const digest = hex(await crypto.subtle.digest('SHA-256', await response.clone().arrayBuffer()));
  if (digest !== hash)
    throw new Error(`${file} is not the file of build ${BUILD}`);
  return response;
};

self.addEventListener('install', event => {
  event.waitUntil((async () => {
    const fetched = await Promise.all(Object.entries(FILES).map(
      async ([file, hash]) => [file, await fetchChecked(file, hash)]));
    const cache = await caches.open(CACHE);
    await Promise.all(fetched.map(([file, response]) => cache.put(file, response)));
    // The page is the directory's own address too.
    await cache.put('./', await cache.match('index.html'));
    // The page on show loaded everything it needs already: the new build may take over.
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', event => {
  event.waitUntil((async () => {
    for (const name of await caches.keys())
      if (name.startsWith(PREFIX) && name !== CACHE)
        await caches.delete(name);
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', event => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(self.registration.scope))
    return;
  event.respondWith((async () => {
    const cache = await caches.open(CACHE);
    return (await cache.match(request, { ignoreSearch: true })) ?? fetch(request);
  })());
});
