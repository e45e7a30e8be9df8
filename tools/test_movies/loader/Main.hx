// A game made of several files: it loads a level (XML) and a second movie by
// addresses relative to its page, counts its plays in its saved data, then
// reports what it got, the address it was loaded from and the plays so far
// in the page's data-report attribute:
// "level=<name> part=<ok|error> at=<loaderInfo.url> plays=<n>".
// A click on it loads a sound, loader_sound.mp3, only then, as a game's
// later levels load when they are reached; the page's data-late attribute
// then says "sound=<ok|error>".

import flash.display.Loader;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.MouseEvent;
import flash.media.Sound;
import flash.events.SecurityErrorEvent;
import flash.external.ExternalInterface;
import flash.net.URLLoader;
import flash.net.URLRequest;

class Main {
	static var level = "pending";
	static var part = "pending";
	static var plays = 0;

	static function main() {
		try {
			var saved = flash.net.SharedObject.getLocal("progress");
			plays = (saved.data.plays == null ? 0 : Std.int(saved.data.plays)) + 1;
			saved.data.plays = plays;
			saved.flush();
		} catch (e:Dynamic) {
			plays = -1;
		}
		var g = flash.Lib.current.graphics;
		g.beginFill(0x2980b9);
		g.drawRect(0, 0, 480, 360);
		g.endFill();

		var text = new URLLoader();
		text.addEventListener(Event.COMPLETE, function(_) {
			try {
				level = new haxe.xml.Access(Xml.parse(Std.string(text.data)).firstElement()).att.name;
			} catch (e:Dynamic) {
				level = "error";
			}
			report();
		});
		text.addEventListener(IOErrorEvent.IO_ERROR, function(_) { level = "error"; report(); });
		text.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) { level = "error"; report(); });
		text.load(new URLRequest("loader_level.xml"));

		var movie = new Loader();
		movie.contentLoaderInfo.addEventListener(Event.COMPLETE, function(_) { part = "ok"; report(); });
		movie.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, function(_) { part = "error"; report(); });
		// A domain of its own: tiny.swf has a Main class of its own too.
		movie.load(new URLRequest("tiny.swf"), new flash.system.LoaderContext(false, new flash.system.ApplicationDomain()));
		movie.scaleX = movie.scaleY = 0.25;
		flash.Lib.current.addChild(movie);

		var clicked = false;
		flash.Lib.current.stage.addEventListener(MouseEvent.MOUSE_DOWN, function(_) {
			if (clicked)
				return;
			clicked = true;
			var sound = new Sound();
			sound.addEventListener(Event.COMPLETE, function(_) { late("ok"); });
			sound.addEventListener(IOErrorEvent.IO_ERROR, function(_) { late("error"); });
			sound.load(new URLRequest("loader_sound.mp3"));
		});
	}

	static function late(sound:String) {
		ExternalInterface.call("function (t) { document.documentElement.setAttribute(\"data-late\", t); }",
			"sound=" + sound);
	}

	static function report() {
		if (level == "pending" || part == "pending")
			return;
		ExternalInterface.call("function (t) { document.documentElement.setAttribute(\"data-report\", t); }",
			"level=" + level + " part=" + part + " at=" + flash.Lib.current.loaderInfo.url
				+ " plays=" + plays);
	}
}
