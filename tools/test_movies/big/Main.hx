// A deliberately large movie: it carries a block of random bytes (embedded
// with -resource blob.bin@blob) so that it takes a while to download. It shows
// some text and how many bytes arrived, and a square that keeps turning.

import flash.Lib;
import flash.display.Shape;
import flash.events.Event;
import flash.text.TextField;
import flash.text.TextFormat;

class Main {
	static function main() {
		var root = Lib.current;
		root.graphics.beginFill(0x8e44ad);
		root.graphics.drawRect(0, 0, 480, 360);
		root.graphics.endFill();

		var bytes = haxe.Resource.getBytes("blob");
		var t = new TextField();
		t.defaultTextFormat = new TextFormat("_sans", 24, 0xffffff, true);
		t.selectable = false;
		t.width = 460;
		t.height = 80;
		t.x = 20;
		t.y = 30;
		t.text = "BIG MOVIE\n" + (bytes == null ? 0 : bytes.length) + " bytes of data";
		root.addChild(t);

		var square = new Shape();
		square.graphics.beginFill(0xf1c40f);
		square.graphics.drawRect(-50, -50, 100, 100);
		square.graphics.endFill();
		square.x = 240;
		square.y = 230;
		root.addChild(square);
		root.addEventListener(Event.ENTER_FRAME, function(_) square.rotation += 3);
	}
}
