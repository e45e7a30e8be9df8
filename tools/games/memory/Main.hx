// Memory: click two cards to turn them over; a matching pair stays open.
// Find all eight pairs in as few moves as you can. Click or Space to restart.

import flash.Lib;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

class Card extends Sprite {
	public static inline var W = 96;
	public static inline var H = 70;
	static var COLORS = [0xe74c3c, 0x3498db, 0x2ecc71, 0xf1c40f, 0x9b59b6, 0xe67e22, 0x1abc9c, 0xec407a];

	public var kind:Int;
	public var open = false;
	public var matched = false;

	public function new(kind:Int) {
		super();
		this.kind = kind;
		buttonMode = true;
		useHandCursor = true;
		draw();
	}

	public function draw() {
		var g = graphics;
		g.clear();
		g.lineStyle(2, matched ? 0x27ae60 : 0x2c3e50);
		g.beginFill(open || matched ? 0xffffff : 0x34495e);
		g.drawRoundRect(0, 0, W, H, 12, 12);
		g.endFill();
		g.lineStyle();
		if (open || matched)
			drawSymbol(g, W / 2, H / 2);
		else {
			g.beginFill(0x5d6d7e);
			g.drawCircle(W / 2, H / 2, 12);
			g.endFill();
		}
	}

	function drawSymbol(g:Graphics, cx:Float, cy:Float) {
		g.beginFill(COLORS[kind]);
		switch (kind) {
			case 0: g.drawCircle(cx, cy, 22);
			case 1: g.drawRect(cx - 20, cy - 20, 40, 40);
			case 2: poly(g, cx, cy, 3, 26, -Math.PI / 2);
			case 3: poly(g, cx, cy, 4, 26, 0);
			case 4: poly(g, cx, cy, 5, 25, -Math.PI / 2);
			case 5: poly(g, cx, cy, 6, 24, 0);
			case 6: // a plus sign as one outline (overlapping rects would leave a hole)
				var p = [-7, -24, 7, -24, 7, -7, 24, -7, 24, 7, 7, 7, 7, 24, -7, 24, -7, 7, -24, 7, -24, -7, -7, -7];
				g.moveTo(cx + p[22], cy + p[23]);
				for (i in 0...12) g.lineTo(cx + p[i * 2], cy + p[i * 2 + 1]);
			default:
				g.drawCircle(cx, cy, 24);
				g.drawCircle(cx, cy, 12); // even-odd fill leaves a ring
		}
		g.endFill();
	}

	static function poly(g:Graphics, cx:Float, cy:Float, sides:Int, r:Float, start:Float) {
		g.moveTo(cx + r * Math.cos(start), cy + r * Math.sin(start));
		for (i in 1...sides + 1) {
			var a = start + i * 2 * Math.PI / sides;
			g.lineTo(cx + r * Math.cos(a), cy + r * Math.sin(a));
		}
	}
}

class Main extends Sprite {
	static inline var COLS = 4;
	static inline var ROWS = 4;
	static inline var GAP = 10;
	static inline var TOP = 44;
	static inline var HIDE_DELAY = 24; // frames a wrong pair stays visible

	var scoreText:TextField;
	var messageText:TextField;
	var cards:Array<Card> = [];
	var first:Card;
	var second:Card;
	var hideTimer = 0;
	var moves = 0;
	var pairs = 0;
	var best = 0;

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		graphics.beginFill(0x2c3e50);
		graphics.drawRect(0, 0, 480, TOP - 8);
		graphics.endFill();
		scoreText = makeText(15);
		scoreText.y = 8;
		addChild(scoreText);
		messageText = makeText(20);
		messageText.y = 150;
		addEventListener(Event.ADDED_TO_STAGE, onAdded);
	}

	function onAdded(_) {
		stage.addEventListener(MouseEvent.MOUSE_DOWN, onClick);
		stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
			if (e.keyCode == 32 && pairs == COLS * ROWS / 2)
				deal();
		});
		addEventListener(Event.ENTER_FRAME, onFrame);
		deal();
	}

	function makeText(size:Int):TextField {
		var t = GameFont.field();
		var fmt = new TextFormat(GameFont.name(), size, 0xffffff, true);
		fmt.align = TextFormatAlign.CENTER;
		t.defaultTextFormat = fmt;
		t.selectable = false;
		t.mouseEnabled = false;
		t.multiline = true;
		t.width = 480;
		t.height = size * 3;
		return t;
	}

	function deal() {
		for (c in cards)
			removeChild(c);
		var kinds = [for (i in 0...COLS * ROWS) Std.int(i / 2)];
		var i = kinds.length;
		while (i > 1) { // Fisher-Yates shuffle
			var j = Std.random(i--);
			var t = kinds[i];
			kinds[i] = kinds[j];
			kinds[j] = t;
		}
		var left = (480 - COLS * Card.W - (COLS - 1) * GAP) / 2;
		cards = [];
		for (n in 0...kinds.length) {
			var c = new Card(kinds[n]);
			c.x = left + (n % COLS) * (Card.W + GAP);
			c.y = TOP + Std.int(n / COLS) * (Card.H + GAP);
			addChild(c);
			cards.push(c);
		}
		first = second = null;
		moves = pairs = 0;
		if (contains(messageText))
			removeChild(messageText);
		updateScore();
	}

	function onClick(e:MouseEvent) {
		stage.focus = stage; // keep keyboard focus on the movie
		if (pairs == COLS * ROWS / 2) {
			deal();
			return;
		}
		var card = Std.downcast(e.target, Card);
		if (card == null || card.open || card.matched)
			return;
		if (second != null)
			hideWrongPair(); // third click: close the wrong pair at once
		card.open = true;
		card.draw();
		if (first == null) {
			first = card;
			return;
		}
		second = card;
		moves++;
		if (first.kind == second.kind) {
			first.matched = second.matched = true;
			first.draw();
			second.draw();
			first = second = null;
			pairs++;
			if (pairs == COLS * ROWS / 2)
				won();
		} else
			hideTimer = HIDE_DELAY;
		updateScore();
	}

	function hideWrongPair() {
		first.open = second.open = false;
		first.draw();
		second.draw();
		first = second = null;
	}

	function onFrame(_) {
		if (second != null && --hideTimer <= 0)
			hideWrongPair();
	}

	function won() {
		if (best == 0 || moves < best)
			best = moves;
		messageText.text = "全部配对成功！共用 " + moves + " 步\n点击画面或按空格键再玩一次";
		messageText.background = true;
		messageText.backgroundColor = 0x2c3e50;
		addChild(messageText);
	}

	function updateScore() {
		scoreText.text = "记忆翻牌    步数 " + moves + "    配对 " + pairs + "/8" + (best > 0 ? "    最佳 " + best : "");
	}
}
