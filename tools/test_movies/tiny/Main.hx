// The smallest movie we need: one coloured square, no text, no input.
class Main {
	static function main() {
		var g = flash.Lib.current.graphics;
		g.beginFill(0x3498db);
		g.drawRect(140, 80, 200, 200);
		g.endFill();
	}
}
