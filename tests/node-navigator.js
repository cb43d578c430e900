// Qt Core asks the browser for the user's languages (navigator.languages) to make the system
// locale. Node before version 21 has no navigator; the unit tests get one like a browser's.
if (typeof navigator === 'undefined')
  globalThis.navigator = { language: 'en-US', languages: ['en-US'] };
