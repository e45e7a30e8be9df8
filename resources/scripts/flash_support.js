// Offers the game box's Flash player (Ruffle) to this document.
(function () {
  "use strict";
  if (window.__orvanzevFlash) return;
  Object.defineProperty(window, "__orvanzevFlash", { value: true });

  // Web pages reach the player through the program's scheme; the program's
  // own local pages read its files directly.
  var base = location.protocol === "file:" ? "%LOCAL_PLAYER%" : "orvanzev://ruffle/";
  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = Object.assign({
    publicPath: base,
    autoplay: "on",
    unmuteOverlay: "hidden",
    splashScreen: false,
    preloader: false,
    contextMenu: "off",
    letterbox: "on",
    warnOnUnsupportedContent: false,
    showSwfDownload: false,
    logLevel: "error"
  }, window.RufflePlayer.config || {});

  // The engine's fetch refuses the program's own scheme and local files;
  // answer those requests through XMLHttpRequest, leave all others alone.
  var originalFetch = window.fetch;
  window.fetch = function (input, init) {
    var url = new URL(typeof input === "string" ? input : (input && input.url) || String(input), location.href).href;
    if (url.indexOf(base) !== 0) return originalFetch.apply(this, arguments);
    return new Promise(function (resolve, reject) {
      var request = new XMLHttpRequest();
      request.open("GET", url);
      request.responseType = "arraybuffer";
      request.onload = function () {
        var type = /\.wasm$/.test(url) ? "application/wasm" : "text/javascript";
        resolve(new Response(request.response, { status: 200, headers: { "Content-Type": type } }));
      };
      request.onerror = function () { reject(new TypeError("Failed to load " + url)); };
      request.send();
    });
  };

  function addPlayer() {
    var script = document.createElement("script");
    script.src = base + "ruffle.js";
    (document.head || document.documentElement).appendChild(script);
  }
  if (document.documentElement) {
    addPlayer();
  } else {
    new MutationObserver(function (changes, observer) {
      if (!document.documentElement) return;
      observer.disconnect();
      addPlayer();
    }).observe(document, { childList: true });
  }
})();
