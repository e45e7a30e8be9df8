// Tries to read files that a game may or may not reach and reports what it
// got through the page's title: "name=ok:<text>" or "name=error" for each,
// in a fixed order, joined by " | ".

import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.external.ExternalInterface;
import flash.net.URLLoader;
import flash.net.URLRequest;

class Main {
	static var targets = [
		["hostname", "file:///etc/hostname"],
		["config", "../Config.dat"],
		["list", "../gamelocal.xml"],
		["other", "other.swf"],
		["own", "level.txt"],
	];
	static var results:Array<String> = [];
	static var pending = 0;

	static function main() {
		var g = flash.Lib.current.graphics;
		g.beginFill(0x27ae60);
		g.drawRect(140, 80, 200, 200);
		g.endFill();
		pending = targets.length;
		for (i in 0...targets.length) {
			results.push(targets[i][0] + "=pending");
			load(i);
		}
	}

	static function load(i:Int) {
		var loader = new URLLoader();
		var done = function(text:String) {
			results[i] = targets[i][0] + "=" + text;
			if (--pending == 0)
				ExternalInterface.call("function (t) { document.title = t; }", results.join(" | "));
		};
		loader.addEventListener(Event.COMPLETE, function(_) done("ok:" + StringTools.trim(Std.string(loader.data))));
		loader.addEventListener(IOErrorEvent.IO_ERROR, function(_) done("error"));
		loader.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) done("error"));
		try {
			loader.load(new URLRequest(targets[i][1]));
		} catch (e:Dynamic) {
			done("error");
		}
	}
}
