// Offers the game box's Flash player (Ruffle) to this document.
(function () {
  "use strict";
  // The program's own local player page brings the player itself.
  if (window.__orvanzevFlash || location.protocol === "file:") return;
  Object.defineProperty(window, "__orvanzevFlash", { value: true });

  var base = "orvanzev://ruffle/";
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

  // The engine's fetch refuses the program's own scheme; answer those
  // requests through XMLHttpRequest and leave every other request alone.
  var originalFetch = window.fetch;
  window.fetch = function (input, init) {
    var url = typeof input === "string" ? input : (input && input.url) || String(input);
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
