// Blocks (俄罗斯方块): fit the falling pieces into full rows to clear them.
// Left/Right (or A/D) move, Up (or W) rotates, Down (or S) drops faster,
// Space drops at once, P pauses. Space or a click starts a new round.

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

class Main extends Sprite {
	static inline var W = 480;
	static inline var H = 360;
	static inline var CELL = 16;
	static inline var COLS = 10;
	static inline var ROWS = 20;
	static inline var WELL_X = 80;
	static inline var WELL_Y = 20;
	static inline var PANEL_X = 260; // side panel, right of the well
	static inline var REPEAT_DELAY = 8; // frames a key is held before it repeats
	static inline var REPEAT_STEP = 2; // frames between repeats
	static inline var RESTART_DELAY = 15; // frames Space is ignored after the end

	static inline var READY = 0;
	static inline var PLAYING = 1;
	static inline var PAUSED = 2;
	static inline var OVER = 3;

	// Logical keys: several key codes may map to one.
	static inline var K_LEFT = 0;
	static inline var K_RIGHT = 1;
	static inline var K_DOWN = 2;
	static inline var K_ROTATE = 3;
	static inline var K_DROP = 4;
	static inline var K_PAUSE = 5;

	// The seven pieces in rotation 0, as x,y pairs inside a square box of SIZES[k] cells: I O T S Z J L.
	static var PIECES = [
		[0, 1, 1, 1, 2, 1, 3, 1],
		[0, 0, 1, 0, 0, 1, 1, 1],
		[1, 0, 0, 1, 1, 1, 2, 1],
		[1, 0, 2, 0, 0, 1, 1, 1],
		[0, 0, 1, 0, 1, 1, 2, 1],
		[0, 0, 0, 1, 1, 1, 2, 1],
		[2, 0, 0, 1, 1, 1, 2, 1]
	];
	static var SIZES = [4, 2, 3, 3, 3, 3, 3];
	static var COLORS = [0x00bcd4, 0xf1c40f, 0x9b59b6, 0x2ecc71, 0xe74c3c, 0x3498db, 0xe67e22];
	static var LINE_SCORES = [0, 100, 300, 500, 800];
	static var GRAVITY = [24, 20, 16, 13, 10, 8, 6, 5, 4, 3, 2]; // frames per row, by level

	var board:Shape;
	var cover:Shape;
	var titleText:TextField;
	var nextText:TextField;
	var scoreText:TextField;
	var linesText:TextField;
	var levelText:TextField;
	var messageText:TextField;

	var shapes:Array<Array<Array<Int>>>; // [piece][rotation] = x,y pairs
	var grid:Array<Int>; // 0 = empty, else piece + 1; row by row from the top
	var bag:Array<Int> = [];
	var piece = 0;
	var rot = 0;
	var px = 0;
	var py = 0;
	var hasPiece = false;
	var next = 0;
	var score = 0;
	var lines = 0;
	var level = 1;
	var state = READY;
	var fall = 0; // frames since the piece last moved down
	var overFrames = 0;
	var held = [false, false, false, false, false, false];
	var heldFrames = [0, 0, 0, 0, 0, 0];
	var lastDir = K_LEFT; // of left and right, the one pressed last repeats
	var downStopped = false; // a soft drop locked the piece: wait for Down to be let go

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		shapes = [];
		for (k in 0...PIECES.length) {
			var rots = [PIECES[k]];
			for (r in 1...4) {
				// Clockwise: (x, y) -> (n - 1 - y, x) inside the box.
				var prev = rots[r - 1], cur = [];
				for (i in 0...4) {
					cur.push(SIZES[k] - 1 - prev[i * 2 + 1]);
					cur.push(prev[i * 2]);
				}
				rots.push(cur);
			}
			shapes.push(rots);
		}
		board = new Shape();
		addChild(board);
		titleText = makeText(20, 0xf1c40f, TextFormatAlign.LEFT, PANEL_X, WELL_Y - 2);
		nextText = makeText(14, 0xbdc3c7, TextFormatAlign.LEFT, PANEL_X, WELL_Y + 38);
		scoreText = makeText(16, 0xffffff, TextFormatAlign.LEFT, PANEL_X, WELL_Y + 150);
		linesText = makeText(16, 0xffffff, TextFormatAlign.LEFT, PANEL_X, WELL_Y + 180);
		levelText = makeText(16, 0xffffff, TextFormatAlign.LEFT, PANEL_X, WELL_Y + 210);
		titleText.text = "俄罗斯方块";
		nextText.text = "下一个";
		cover = new Shape();
		addChild(cover);
		messageText = makeText(20, 0xffffff, TextFormatAlign.CENTER, 0, H / 2 - 28);
		addEventListener(Event.ADDED_TO_STAGE, onAdded);
	}

	function onAdded(_) {
		stage.addEventListener(KeyboardEvent.KEY_DOWN, onKeyDown);
		stage.addEventListener(KeyboardEvent.KEY_UP, onKeyUp);
		stage.addEventListener(MouseEvent.MOUSE_DOWN, onClick);
		stage.addEventListener(Event.DEACTIVATE, onDeactivate);
		addEventListener(Event.ENTER_FRAME, onFrame);
		reset();
		showMessage("俄罗斯方块\n按空格键或点击画面开始");
	}

	function makeText(size:Int, color:Int, align:TextFormatAlign, x:Float, y:Float):TextField {
		var t = GameFont.field();
		var fmt = new TextFormat(GameFont.name(), size, color, true);
		fmt.align = align;
		t.defaultTextFormat = fmt;
		t.selectable = false;
		t.mouseEnabled = false;
		t.multiline = true;
		t.width = align == TextFormatAlign.CENTER ? W : W - PANEL_X;
		t.height = size * 3;
		t.x = x;
		t.y = y;
		addChild(t);
		return t;
	}

	function reset() {
		grid = [for (i in 0...COLS * ROWS) 0];
		bag = [];
		next = takeFromBag();
		hasPiece = false;
		score = 0;
		lines = 0;
		level = 1;
		fall = 0;
		downStopped = false;
	}

	function showMessage(s:String) {
		messageText.text = s;
		messageText.visible = s != "";
	}

	// Every seven pieces are the seven kinds in a random order.
	function takeFromBag():Int {
		if (bag.length == 0) {
			bag = [0, 1, 2, 3, 4, 5, 6];
			var i = bag.length;
			while (i > 1) {
				var j = Std.random(i);
				i--;
				var t = bag[i];
				bag[i] = bag[j];
				bag[j] = t;
			}
		}
		return bag.pop();
	}

	function newGame() {
		reset();
		state = PLAYING;
		showMessage("");
		spawn();
	}

	function spawn() {
		piece = next;
		next = takeFromBag();
		rot = 0;
		px = Std.int((COLS - SIZES[piece]) / 2);
		py = piece == 0 ? -1 : 0; // the I piece lies in the second row of its box
		fall = 0;
		hasPiece = true;
		if (!fits(piece, rot, px, py)) {
			hasPiece = false;
			gameOver();
		}
	}

	function fits(k:Int, r:Int, x0:Int, y0:Int):Bool {
		var c = shapes[k][r];
		for (i in 0...4) {
			var x = x0 + c[i * 2], y = y0 + c[i * 2 + 1];
			if (x < 0 || x >= COLS || y >= ROWS)
				return false;
			if (y >= 0 && grid[y * COLS + x] != 0)
				return false; // rows above the well are free
		}
		return true;
	}

	function move(dx:Int) {
		if (fits(piece, rot, px + dx, py))
			px += dx;
	}

	// Clockwise, with a simple kick: in place, then one cell left, then one right
	// (the long I piece may also go two cells, or it could not turn at a wall).
	function rotate() {
		var r = (rot + 1) % 4;
		var kicks = piece == 0 ? [0, -1, 1, -2, 2] : [0, -1, 1];
		for (dx in kicks) {
			if (fits(piece, r, px + dx, py)) {
				rot = r;
				px += dx;
				return;
			}
		}
	}

	function softDrop() {
		if (downStopped)
			return;
		if (fits(piece, rot, px, py + 1)) {
			py++;
			score++;
			fall = 0;
		} else {
			downStopped = true; // a held Down must not carry on into the next piece
			lock();
		}
	}

	function hardDrop() {
		while (fits(piece, rot, px, py + 1)) {
			py++;
			score += 2;
		}
		lock();
	}

	function lock() {
		var c = shapes[piece][rot];
		var above = false;
		for (i in 0...4) {
			var x = px + c[i * 2], y = py + c[i * 2 + 1];
			if (y < 0)
				above = true;
			else
				grid[y * COLS + x] = piece + 1;
		}
		hasPiece = false;
		var n = clearLines();
		if (n > 0) {
			score += LINE_SCORES[n] * level;
			lines += n;
			level = 1 + Std.int(lines / 10);
		}
		if (above)
			gameOver(); // it came to rest sticking out of the top
		else
			spawn();
	}

	// Removes every full row and lets the rows above fall; returns how many.
	function clearLines():Int {
		var cleared = 0;
		var to = ROWS - 1; // where the next kept row goes
		var y = ROWS - 1;
		while (y >= 0) {
			var full = true;
			for (x in 0...COLS)
				if (grid[y * COLS + x] == 0) {
					full = false;
					break;
				}
			if (full)
				cleared++;
			else {
				if (to != y)
					for (x in 0...COLS)
						grid[to * COLS + x] = grid[y * COLS + x];
				to--;
			}
			y--;
		}
		while (to >= 0) {
			for (x in 0...COLS)
				grid[to * COLS + x] = 0;
			to--;
		}
		return cleared;
	}

	function gameOver() {
		state = OVER;
		overFrames = 0;
		showMessage("游戏结束  得分 " + score + "\n按空格键或点击画面再玩一次");
	}

	function keyOf(code:Int):Int {
		return switch (code) {
			case 37 | 65: K_LEFT; // left, A
			case 39 | 68: K_RIGHT; // right, D
			case 40 | 83: K_DOWN; // down, S
			case 38 | 87: K_ROTATE; // up, W
			case 32: K_DROP; // Space
			case 80: K_PAUSE; // P
			default: -1;
		}
	}

	function onKeyDown(e:KeyboardEvent) {
		var k = keyOf(e.keyCode);
		if (k < 0 || held[k])
			return; // the system's own key repeat is ignored; onFrame repeats
		held[k] = true;
		heldFrames[k] = 0;
		if (k == K_LEFT || k == K_RIGHT)
			lastDir = k;
		press(k);
	}

	function onKeyUp(e:KeyboardEvent) {
		var k = keyOf(e.keyCode);
		if (k < 0)
			return;
		held[k] = false;
		if (k == K_DOWN)
			downStopped = false;
		if (k == lastDir) {
			var other = k == K_LEFT ? K_RIGHT : K_LEFT;
			if (held[other]) {
				lastDir = other;
				heldFrames[other] = 0;
			}
		}
	}

	function onDeactivate(_) {
		// Key releases are lost while another window has the focus.
		for (k in 0...held.length)
			held[k] = false;
		downStopped = false;
	}

	function onClick(_) {
		stage.focus = stage; // make sure the keys reach us
		if (state == READY || state == OVER)
			newGame();
	}

	function press(k:Int) {
		if (state == READY) {
			if (k == K_DROP)
				newGame();
		} else if (state == OVER) {
			if (k == K_DROP && overFrames >= RESTART_DELAY)
				newGame();
		} else if (state == PAUSED) {
			if (k == K_PAUSE) {
				state = PLAYING;
				showMessage("");
			}
		} else if (hasPiece) {
			if (k == K_LEFT) move(-1);
			else if (k == K_RIGHT) move(1);
			else if (k == K_DOWN) softDrop();
			else if (k == K_ROTATE) rotate();
			else if (k == K_DROP) hardDrop();
			else if (k == K_PAUSE) {
				state = PAUSED;
				showMessage("暂停\n按 P 键继续");
			}
		}
	}

	// True on the frames a held key acts again.
	function repeats(k:Int):Bool {
		if (!held[k])
			return false;
		heldFrames[k]++;
		return heldFrames[k] >= REPEAT_DELAY && (heldFrames[k] - REPEAT_DELAY) % REPEAT_STEP == 0;
	}

	function onFrame(_) {
		if (state == OVER)
			overFrames++;
		if (state == PLAYING) {
			var l = repeats(K_LEFT), r = repeats(K_RIGHT), d = repeats(K_DOWN);
			if (hasPiece && l && lastDir == K_LEFT) move(-1);
			if (hasPiece && r && lastDir == K_RIGHT) move(1);
			if (hasPiece && d) softDrop();
			if (state == PLAYING && hasPiece) {
				fall++;
				if (fall >= GRAVITY[Std.int(Math.min(level, GRAVITY.length)) - 1]) {
					fall = 0;
					if (fits(piece, rot, px, py + 1))
						py++;
					else
						lock();
				}
			}
		}
		draw();
	}

	function drawCell(g:Graphics, x:Float, y:Float, color:Int, alpha:Float) {
		g.beginFill(color, alpha);
		g.drawRect(x + 1, y + 1, CELL - 1, CELL - 1);
		g.endFill();
		g.beginFill(0xffffff, alpha * 0.3);
		g.drawRect(x + 1, y + 1, CELL - 1, 3);
		g.endFill();
	}

	function draw() {
		scoreText.text = "得分 " + score;
		linesText.text = "行数 " + lines;
		levelText.text = "等级 " + level;
		var g = board.graphics;
		g.clear();
		g.beginFill(0x1a1a2e);
		g.drawRect(0, 0, W, H);
		g.endFill();
		// The well with a faint grid.
		g.lineStyle(2, 0x4a4e69);
		g.beginFill(0x0f0f1e);
		g.drawRect(WELL_X - 1, WELL_Y - 1, COLS * CELL + 2, ROWS * CELL + 2);
		g.endFill();
		g.lineStyle();
		g.beginFill(0x16162b);
		for (y in 0...ROWS)
			for (x in 0...COLS)
				if ((x + y) % 2 == 0)
					g.drawRect(WELL_X + x * CELL, WELL_Y + y * CELL, CELL, CELL);
		g.endFill();
		for (y in 0...ROWS)
			for (x in 0...COLS) {
				var v = grid[y * COLS + x];
				if (v != 0)
					drawCell(g, WELL_X + x * CELL, WELL_Y + y * CELL, COLORS[v - 1], 1);
			}
		if (hasPiece) {
			// An outline shows where the piece would land.
			var gy = py;
			while (fits(piece, rot, px, gy + 1))
				gy++;
			var c = shapes[piece][rot];
			g.lineStyle(1, COLORS[piece], 0.7);
			for (i in 0...4)
				if (gy + c[i * 2 + 1] >= 0)
					g.drawRect(WELL_X + (px + c[i * 2]) * CELL + 1.5, WELL_Y + (gy + c[i * 2 + 1]) * CELL + 1.5, CELL - 2, CELL - 2);
			g.lineStyle();
			for (i in 0...4)
				if (py + c[i * 2 + 1] >= 0)
					drawCell(g, WELL_X + (px + c[i * 2]) * CELL, WELL_Y + (py + c[i * 2 + 1]) * CELL, COLORS[piece], 1);
		}
		// The next piece, centred in its box.
		var bx = PANEL_X, by = WELL_Y + 62, bw = 96, bh = 64;
		g.lineStyle(1, 0x4a4e69);
		g.beginFill(0x0f0f1e);
		g.drawRect(bx, by, bw, bh);
		g.endFill();
		g.lineStyle();
		var c = shapes[next][0];
		var minX = 9, maxX = 0, minY = 9, maxY = 0;
		for (i in 0...4) {
			minX = Std.int(Math.min(minX, c[i * 2]));
			maxX = Std.int(Math.max(maxX, c[i * 2]));
			minY = Std.int(Math.min(minY, c[i * 2 + 1]));
			maxY = Std.int(Math.max(maxY, c[i * 2 + 1]));
		}
		var ox = bx + (bw - (maxX - minX + 1) * CELL) / 2 - minX * CELL;
		var oy = by + (bh - (maxY - minY + 1) * CELL) / 2 - minY * CELL;
		for (i in 0...4)
			drawCell(g, ox + c[i * 2] * CELL, oy + c[i * 2 + 1] * CELL, COLORS[next], 1);
		// Darken the picture under a message.
		var cg = cover.graphics;
		cg.clear();
		if (state != PLAYING) {
			cg.beginFill(0x000000, 0.45);
			cg.drawRect(0, 0, W, H);
			cg.endFill();
			cg.beginFill(0x000000, 0.6);
			cg.drawRect(0, H / 2 - 36, W, 76);
			cg.endFill();
		}
	}
}
