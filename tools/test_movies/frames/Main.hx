// A busy 60 fps movie that reports the frames it actually ran: 240 shapes
// move and a text is set anew every frame, and once a second the frames of
// that second go to the page's orvanzevFrameRate(frames, total), when the
// page has one. Its first frame calls the page's orvanzevFirstFrame(). The
// movie itself shows the same figures.

import flash.Lib;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.external.ExternalInterface;
import flash.text.TextField;
import flash.text.TextFormat;

class Main extends Sprite {
	static inline var SHAPES = 240;
	static inline var WIDTH = 480;
	static inline var HEIGHT = 360;

	var shapes:Array<Shape> = [];
	var speeds:Array<Float> = [];
	var label:TextField;
	var total = 0;
	var frames = 0;
	var secondStart = 0;
	var lastRate = 0;

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		for (i in 0...SHAPES) {
			var s = new Shape();
			s.graphics.beginFill(Std.int(Math.random() * 0xffffff));
			if (i % 2 == 0)
				s.graphics.drawCircle(0, 0, 6 + i % 9);
			else
				s.graphics.drawRect(-8, -8, 16, 16);
			s.graphics.endFill();
			s.x = Math.random() * WIDTH;
			s.y = Math.random() * HEIGHT;
			addChild(s);
			shapes.push(s);
			speeds.push(1 + Math.random() * 4);
			speeds.push(1 + Math.random() * 4);
		}
		label = GameFont.field();
		label.defaultTextFormat = new TextFormat(GameFont.name(), 20, 0xffffff, true);
		label.width = WIDTH;
		label.height = 30;
		label.selectable = false;
		addChild(label);
		secondStart = Lib.getTimer();
		addEventListener(Event.ENTER_FRAME, onFrame);
	}

	function onFrame(_) {
		for (i in 0...SHAPES) {
			var s = shapes[i];
			s.x += speeds[2 * i];
			s.y += speeds[2 * i + 1];
			s.rotation += 3;
			if (s.x < 0 || s.x > WIDTH)
				speeds[2 * i] = -speeds[2 * i];
			if (s.y < 0 || s.y > HEIGHT)
				speeds[2 * i + 1] = -speeds[2 * i + 1];
		}
		total++;
		frames++;
		if (total == 1)
			call("function () { if (window.orvanzevFirstFrame) window.orvanzevFirstFrame(); }");
		var now = Lib.getTimer();
		if (now - secondStart >= 1000) {
			lastRate = Math.round(frames * 1000 / (now - secondStart));
			frames = 0;
			secondStart = now;
			report(lastRate);
		}
		label.text = "帧 " + total + "    每秒 " + lastRate;
	}

	function report(rate:Int) {
		call("function (r, t) { if (window.orvanzevFrameRate) window.orvanzevFrameRate(r, t); }", rate, total);
	}

	static function call(code:String, ?a:Dynamic, ?b:Dynamic) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call(code, a, b);
		} catch (e:Dynamic) {}
	}
}
