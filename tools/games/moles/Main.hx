// Whack-a-mole: moles pop out of the nine holes; click one (or press the number
// key of its hole, 1 2 3 on the top row like a phone keypad) before it hides.
// A round lasts 30 seconds. A click (or Space) starts a new round.

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

typedef Hole = {
	cx:Int, // centre of the hole on the stage
	cy:Int,
	mole:Shape,
	phase:Int,
	height:Int, // 0 (all the way down) to RISE_FRAMES (all the way up)
	timer:Int, // frames left in the UP or BONKED phase
	bonked:Bool // hit this time up: shows the dazed face, cannot score again
};

class Main extends Sprite {
	static inline var W = 480;
	static inline var H = 360;
	static inline var TOP = 40; // height of the score bar
	static inline var FPS = 30;
	static inline var ROUND = 30 * FPS; // frames in a round
	static inline var HOLE_W = 48; // half width of a hole
	static inline var HOLE_H = 16; // half height of a hole
	static inline var CUT = 10; // below this line (from the hole centre) the mole is in the hole
	static inline var MOLE_TOP = 60; // head top above the hole centre when all the way up
	static inline var MOLE_RX = 30; // half width of the body
	static inline var MOLE_RY = 50; // half height of the body
	static inline var DEPTH = 72; // how far down a hiding mole goes (more than MOLE_TOP + CUT)
	static inline var SLACK = 3; // pixels around the body that still count as a hit
	static inline var RISE_FRAMES = 5;
	static inline var BONK_FRAMES = 12;
	static inline var END_PAUSE = 15; // frames (half a second) clicks are ignored after time is up

	// what a mole is doing
	static inline var HIDDEN = 0;
	static inline var RISING = 1;
	static inline var UP = 2;
	static inline var SINKING = 3;
	static inline var BONKED = 4;

	// what the game is doing
	static inline var READY = 0;
	static inline var PLAYING = 1;
	static inline var OVER = 2;

	var overlay:Shape;
	var scoreText:TextField;
	var messageText:TextField;

	var holes:Array<Hole> = []; // row by row, top row first
	var score = 0;
	var best = 0;
	var state = READY;
	var framesLeft = ROUND;
	var spawnTimer = 0;
	var endWait = 0; // frames since time was up

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		var field = new Shape();
		addChild(field);
		drawField(field.graphics);
		for (n in 0...9) {
			var cx = 100 + (n % 3) * 140, cy = 130 + Std.int(n / 3) * 100;
			var label = makeText(13, 0x33691e, TextFormatAlign.LEFT);
			label.text = "" + (n + 1); // the key for this hole
			label.width = 20;
			label.x = cx - HOLE_W - 30;
			label.y = cy - 9;
			addChild(label);
			// Only the part of the mole above the cut line shows.
			var clip = new Shape();
			clip.graphics.beginFill(0);
			clip.graphics.drawRect(cx - HOLE_W, cy - 90, HOLE_W * 2, 90 + CUT);
			clip.graphics.endFill();
			addChild(clip);
			var mole = new Shape();
			mole.x = cx;
			mole.mask = clip;
			addChild(mole);
			holes.push({cx: cx, cy: cy, mole: mole, phase: HIDDEN, height: 0, timer: 0, bonked: false});
		}
		overlay = new Shape();
		addChild(overlay);
		scoreText = makeText(16, 0xffffff, TextFormatAlign.LEFT);
		scoreText.x = 10;
		scoreText.y = 9;
		addChild(scoreText);
		messageText = makeText(20, 0xffffff, TextFormatAlign.CENTER);
		messageText.y = TOP + 110;
		addChild(messageText);
		addEventListener(Event.ADDED_TO_STAGE, onAdded);
	}

	function onAdded(_) {
		stage.addEventListener(KeyboardEvent.KEY_DOWN, onKey);
		stage.addEventListener(MouseEvent.MOUSE_DOWN, onClick);
		addEventListener(Event.ENTER_FRAME, onFrame);
		clearHoles();
		state = READY;
		showMessage("打地鼠\n点击画面开始，地鼠出来就敲它！");
		draw();
	}

	function makeText(size:Int, color:Int, align:TextFormatAlign):TextField {
		var t = GameFont.field();
		var fmt = new TextFormat(GameFont.name(), size, color, true);
		fmt.align = align;
		t.defaultTextFormat = fmt;
		t.selectable = false;
		t.mouseEnabled = false;
		t.width = W;
		t.height = size * 3;
		t.multiline = true;
		return t;
	}

	function showMessage(s:String) {
		messageText.text = s;
		messageText.visible = s != "";
	}

	function clearHoles() {
		for (h in holes) {
			h.phase = HIDDEN;
			h.height = 0;
			h.bonked = false;
		}
	}

	function startRound() {
		clearHoles();
		score = 0;
		framesLeft = ROUND;
		spawnTimer = 15; // the first mole half a second in
		state = PLAYING;
		showMessage("");
		draw();
	}

	function onClick(_) {
		stage.focus = stage; // make sure the keys reach us
		switch (state) {
			case READY:
				startRound();
			case PLAYING:
				var h = moleAt(mouseX, mouseY);
				if (h != null)
					bonk(h);
			default:
				if (endWait >= END_PAUSE)
					startRound();
		}
	}

	function onKey(e:KeyboardEvent) {
		var code = e.keyCode;
		if (code == 32) {
			if (state == READY || (state == OVER && endWait >= END_PAUSE))
				startRound();
			return;
		}
		var n = -1;
		if (code >= 49 && code <= 57) n = code - 49; // 1-9 above the letters
		if (code >= 97 && code <= 105) n = code - 97; // 1-9 on the number pad
		if (n < 0 || state != PLAYING)
			return;
		var h = holes[n];
		if (canHit(h))
			bonk(h);
	}

	// How far below its full height the mole is drawn.
	function offset(h:Hole):Float {
		return DEPTH * (RISE_FRAMES - h.height) / RISE_FRAMES;
	}

	// A mole scores if it is out and some of it shows above the cut line.
	function canHit(h:Hole):Bool {
		return h.phase != HIDDEN && !h.bonked && offset(h) < MOLE_TOP + CUT;
	}

	// The mole whose visible part is under the point, front row first.
	function moleAt(px:Float, py:Float):Hole {
		var i = holes.length;
		while (i-- > 0) {
			var h = holes[i];
			if (!canHit(h) || py > h.cy + CUT)
				continue; // not out, or the point is on the hole in front of it
			var top = h.cy + offset(h) - MOLE_TOP; // top of the head
			var dx = (px - h.cx) / (MOLE_RX + SLACK);
			var dy = (py - (top + MOLE_RY)) / (MOLE_RY + SLACK);
			if (dx * dx + dy * dy <= 1)
				return h;
		}
		return null;
	}

	function bonk(h:Hole) {
		h.phase = BONKED;
		h.bonked = true;
		h.timer = BONK_FRAMES;
		score += 10;
		drawMole(h);
		draw();
	}

	function onFrame(_) {
		if (state == OVER && endWait < END_PAUSE)
			endWait++;
		if (state != PLAYING)
			return;
		framesLeft--;
		var progress = (ROUND - framesLeft) / ROUND; // 0 at the start, 1 at the end
		if (--spawnTimer <= 0)
			spawn(progress);
		for (h in holes) {
			switch (h.phase) {
				case RISING:
					if (++h.height >= RISE_FRAMES)
						h.phase = UP;
				case UP | BONKED:
					if (--h.timer <= 0)
						h.phase = SINKING;
				case SINKING:
					if (--h.height <= 0) {
						h.phase = HIDDEN;
						h.bonked = false;
					}
				default:
			}
		}
		if (framesLeft <= 0) {
			endRound();
			return;
		}
		draw();
	}

	// Send a mole up from a free hole; later in the round they come more
	// often and stay up for less time.
	function spawn(progress:Float) {
		if (framesLeft < RISE_FRAMES + 10) // too late to be hit
			return;
		var free = [for (h in holes) if (h.phase == HIDDEN) h];
		if (free.length == 0) {
			spawnTimer = 1; // try again next frame
			return;
		}
		var h = free[Std.random(free.length)];
		h.phase = RISING;
		h.height = 0; // rises to 1 in this same frame, before it is drawn
		h.bonked = false;
		h.timer = Std.int(40 - 26 * progress); // frames at the top: 1.3 s down to 0.5 s
		drawMole(h);
		spawnTimer = Std.int(26 - 14 * progress) + Std.random(8);
	}

	function endRound() {
		state = OVER;
		endWait = 0;
		if (score > best)
			best = score;
		clearHoles();
		showMessage("时间到！得分 " + score + "\n点击画面或按空格键再玩一次");
		draw();
	}

	function drawField(g:Graphics) {
		g.beginFill(0x33691e);
		g.drawRect(0, 0, W, TOP);
		g.endFill();
		for (i in 0...10) {
			g.beginFill(i % 2 == 0 ? 0x7cb342 : 0x8bc34a);
			g.drawRect(0, TOP + i * 32, W, 32);
			g.endFill();
		}
		for (n in 0...9) {
			var cx = 100 + (n % 3) * 140, cy = 130 + Std.int(n / 3) * 100;
			g.beginFill(0x8d6e63); // dirt around the hole
			g.drawEllipse(cx - HOLE_W - 10, cy - HOLE_H - 7, (HOLE_W + 10) * 2, (HOLE_H + 7) * 2);
			g.endFill();
			g.beginFill(0x3e2723);
			g.drawEllipse(cx - HOLE_W, cy - HOLE_H, HOLE_W * 2, HOLE_H * 2);
			g.endFill();
			g.beginFill(0x21120c); // the far side is darker
			g.drawEllipse(cx - HOLE_W + 8, cy - HOLE_H + 2, HOLE_W * 2 - 16, HOLE_H + 4);
			g.endFill();
		}
	}

	// The mole in its own coordinates: the hole centre is (0, 0) when it is all
	// the way up.
	function drawMole(h:Hole) {
		var g = h.mole.graphics;
		g.clear();
		g.beginFill(0x8d5524); // body
		g.drawEllipse(-MOLE_RX, -MOLE_TOP, MOLE_RX * 2, MOLE_RY * 2);
		g.endFill();
		g.beginFill(0xc68642); // belly
		g.drawEllipse(-18, -6, 36, 40);
		g.endFill();
		g.beginFill(0xf1d3a8); // muzzle
		g.drawEllipse(-15, -34, 30, 22);
		g.endFill();
		g.beginFill(0xffffff); // teeth
		g.drawRect(-5, -13, 4, 6);
		g.drawRect(1, -13, 4, 6);
		g.endFill();
		g.beginFill(0xe91e63); // nose
		g.drawEllipse(-6, -36, 12, 9);
		g.endFill();
		g.lineStyle(1, 0x3e2723); // whiskers
		for (s in [-1, 1]) {
			g.moveTo(s * 12, -26);
			g.lineTo(s * 27, -30);
			g.moveTo(s * 12, -22);
			g.lineTo(s * 27, -20);
		}
		g.lineStyle();
		if (h.bonked) {
			g.lineStyle(3, 0x000000); // dazed: crossed eyes and stars
			for (s in [-1, 1]) {
				g.moveTo(s * 10 - 4, -48);
				g.lineTo(s * 10 + 4, -40);
				g.moveTo(s * 10 + 4, -48);
				g.lineTo(s * 10 - 4, -40);
			}
			g.lineStyle();
			g.beginFill(0xffeb3b);
			star(g, -22, -66, 7);
			star(g, 0, -74, 7);
			star(g, 22, -66, 7);
			g.endFill();
		} else {
			g.beginFill(0xffffff);
			g.drawCircle(-10, -44, 5);
			g.drawCircle(10, -44, 5);
			g.endFill();
			g.beginFill(0x000000);
			g.drawCircle(-9, -43, 3);
			g.drawCircle(11, -43, 3);
			g.endFill();
		}
	}

	static function star(g:Graphics, cx:Float, cy:Float, r:Float) {
		g.moveTo(cx, cy - r);
		for (i in 1...10) {
			var a = -Math.PI / 2 + i * Math.PI / 5;
			var d = i % 2 == 0 ? r : r * 0.45;
			g.lineTo(cx + d * Math.cos(a), cy + d * Math.sin(a));
		}
		g.lineTo(cx, cy - r);
	}

	function draw() {
		var seconds = Math.ceil(framesLeft / FPS);
		scoreText.text = "打地鼠    得分 " + score + "    时间 " + seconds + "    最高 " + best;
		for (h in holes) {
			h.mole.visible = h.phase != HIDDEN;
			h.mole.y = h.cy + offset(h);
		}
		var g = overlay.graphics;
		g.clear();
		if (state != PLAYING) {
			g.beginFill(0x000000, 0.45);
			g.drawRect(0, TOP, W, H - TOP);
			g.endFill();
		}
	}
}
