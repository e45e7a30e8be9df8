// A game that never lets go: it says so through the page's title, then
// spins without end on every frame.

import flash.events.Event;
import flash.external.ExternalInterface;

class Main {
	static function main() {
		var g = flash.Lib.current.graphics;
		g.beginFill(0xc0392b);
		g.drawRect(140, 80, 200, 200);
		g.endFill();
		ExternalInterface.call("function (t) { document.title = t; }", "busy");
		flash.Lib.current.addEventListener(Event.ENTER_FRAME, function(_) {
			var n = 0.0;
			while (true)
				n += Math.random();
		});
	}
}
