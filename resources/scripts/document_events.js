// Reports the document's events to the program. Runs in a world of its own,
// only in the program's local pages. Events whose answer decides the
// default action wait for it; the others are told and not waited for.
(function (token) {
  "use strict";
  if (window.__orvanzevDocumentEvents) return;
  window.__orvanzevDocumentEvents = true;

  var answered = {
    click: -600, dblclick: -601, keypress: -603, dragstart: -2147418101,
    selectstart: -2147418100, contextmenu: 1023, wheel: 1033
  };
  var told = {
    keydown: -602, keyup: -604, mousedown: -605, mousemove: -606, mouseup: -607,
    mouseout: -2147418103, mouseover: -2147418104, readystatechange: -609,
    focusin: 1048, focusout: 1049, selectionchange: 1037
  };

  function sourceId(event) {
    var element = event.target;
    while (element && element.nodeType !== 1) element = element.parentNode;
    return element && element.id ? String(element.id) : "";
  }
  function message(kind, id, event) {
    return [token, kind, id, event.type, sourceId(event)].join("\n");
  }

  Object.keys(answered).forEach(function (type) {
    document.addEventListener(type, function (event) {
      if (prompt(message("answer", answered[type], event)) === "false") event.preventDefault();
    }, { passive: false });
  });
  var moveQueued = false;
  Object.keys(told).forEach(function (type) {
    document.addEventListener(type, function (event) {
      if (type === "mousemove") {
        if (moveQueued) return;
        moveQueued = true;
        requestAnimationFrame(function () { moveQueued = false; });
      }
      console.debug(message("tell", told[type], event));
    });
  });
})("%TOKEN%");
