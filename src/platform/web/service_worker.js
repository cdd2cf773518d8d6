// The page's files kept for playing offline. The build puts before this the
// cache's name, made from the files' contents, and the list of the files:
// a new build comes with a new name, so its files replace the old ones at
// once, and an old cache is dropped when the new worker takes over.
'use strict';

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(kCacheName)
                        .then((cache) => cache.addAll(kSiteFiles))
                        .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
                        .then((names) => Promise.all(
                                  names.filter((name) => name.startsWith(kCachePrefix) &&
                                                         name !== kCacheName)
                                      .map((name) => caches.delete(name))))
                        .then(() => self.clients.claim()));
});

// The site's own files come from the cache, whatever the network does;
// anything else goes to the network as usual.
self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) {
        return;
    }
    event.respondWith(caches.open(kCacheName).then(
        (cache) => cache.match(request, {ignoreSearch : true})
                       .then((kept) => kept || fetch(request))));
});
