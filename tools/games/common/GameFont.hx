// The games draw their text with the font the movie carries (GameFontFace,
// made at build time with every character the game's sources hold), so the
// text looks the same on every computer and the player draws it as shapes,
// like the rest of the game, instead of asking the page for each glyph.

import flash.text.Font;
import flash.text.TextField;

class GameFont {
	static var registered:String = null;

	public static function name():String {
		if (registered == null) {
			Font.registerFont(GameFontFace);
			registered = new GameFontFace().fontName;
		}
		return registered;
	}

	public static function field():TextField {
		var t = new TextField();
		t.embedFonts = true;
		return t;
	}
}
