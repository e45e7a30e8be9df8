// 2048: slide all tiles with the arrow keys (or WASD); two equal tiles that
// collide merge into one. Reach 2048, then keep going as long as you can.
// Space or a click starts a new game once no move is left.

import flash.Lib;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.net.SharedObject;
import flash.text.TextField;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

// One line of four cells after a slide towards index 0.
typedef Line = {out:Array<Int>, dest:Array<Int>, merged:Array<Bool>, score:Int};
// The whole board after a slide; dest[i] is where the tile of cell i went.
typedef Move = {cells:Array<Int>, dest:Array<Int>, merged:Array<Bool>, gained:Int, changed:Bool};
typedef Slider = {v:Int, from:Int, to:Int};

class Main extends Sprite {
	static inline var W = 480;
	static inline var TOP = 40; // height of the score bar
	static inline var N = 4; // cells per side
	static inline var CELL = 66;
	static inline var GAP = 8;
	static inline var SIZE = N * CELL + (N + 1) * GAP; // 304
	static inline var LEFT = (W - SIZE) / 2;
	static inline var BOARD_Y = TOP + 8;
	static inline var SLIDE_FRAMES = 4;
	static inline var POP_FRAMES = 4;
	static inline var WIN = 2048;

	static inline var LEFT_DIR = 0;
	static inline var RIGHT_DIR = 1;
	static inline var UP_DIR = 2;
	static inline var DOWN_DIR = 3;

	static inline var READY = 0;
	static inline var PLAYING = 1;
	static inline var WON = 2; // the 2048 message is showing
	static inline var OVER = 3;

	var board:Shape;
	var cover:Shape;
	var scoreText:TextField;
	var messageText:TextField;
	var labels:Array<TextField> = [];
	var labelValues:Array<Int> = [];
	var usedLabels = 0;

	var cells:Array<Int>; // N * N values, row by row, 0 = empty
	var score = 0;
	var best = 0;
	var state = READY;
	var reached = false; // 2048 already made in this game
	var saved:SharedObject;

	// The last move, for the animation.
	var anim = SLIDE_FRAMES + POP_FRAMES; // frames since the move; at the total the board is still
	var sliders:Array<Slider> = [];
	var merged:Array<Bool> = [];
	var newTile = -1;

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		board = new Shape();
		addChild(board);
		for (i in 0...N * N) {
			var t = makeText(30, 0x776e65, TextFormatAlign.CENTER);
			t.width = CELL;
			t.height = CELL;
			t.visible = false;
			addChild(t);
			labels.push(t);
			labelValues.push(0);
		}
		cover = new Shape();
		cover.graphics.beginFill(0xfaf8ef, 0.75);
		cover.graphics.drawRoundRect(LEFT, BOARD_Y, SIZE, SIZE, 12, 12);
		cover.graphics.endFill();
		addChild(cover);
		scoreText = makeText(16, 0xffffff, TextFormatAlign.LEFT);
		scoreText.x = 10;
		scoreText.y = 9;
		addChild(scoreText);
		messageText = makeText(20, 0x776e65, TextFormatAlign.CENTER);
		messageText.height = 100;
		addChild(messageText);
		loadBest();
		addEventListener(Event.ADDED_TO_STAGE, onAdded);
	}

	function onAdded(_) {
		stage.addEventListener(KeyboardEvent.KEY_DOWN, onKey);
		stage.addEventListener(MouseEvent.MOUSE_DOWN, onClick);
		addEventListener(Event.ENTER_FRAME, onFrame);
		reset();
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

	function loadBest() {
		try {
			saved = SharedObject.getLocal("twenty48");
			var v:Dynamic = saved.data.best;
			if (Std.isOfType(v, Float)) {
				var f:Float = v;
				if (f >= 0 && f < 1e9) // also turns away NaN and Infinity
					best = Std.int(f);
			}
		} catch (e:Dynamic) {
			saved = null; // storage refused: keep the best for this session only
		}
	}

	function saveBest() {
		if (saved == null)
			return;
		try {
			saved.data.best = best;
			saved.flush();
		} catch (e:Dynamic) {}
	}

	function reset() {
		cells = [for (i in 0...N * N) 0];
		score = 0;
		reached = false;
		addTile();
		addTile();
		anim = SLIDE_FRAMES + POP_FRAMES;
		state = READY;
		showMessage("2048\n按方向键移动，相同数字相撞合并");
		draw();
	}

	function showMessage(s:String) {
		messageText.text = s;
		messageText.y = BOARD_Y + SIZE / 2 - messageText.textHeight / 2 - 2;
	}

	// Puts a 2 (or a 4, one time in ten) on a random empty cell; returns the cell.
	function addTile():Int {
		var free = [];
		for (i in 0...N * N)
			if (cells[i] == 0)
				free.push(i);
		if (free.length == 0)
			return -1;
		var i = free[Std.random(free.length)];
		cells[i] = Math.random() < 0.1 ? 4 : 2;
		return i;
	}

	function onClick(_) {
		stage.focus = stage; // make sure the keys reach us
		if (state == OVER)
			reset();
	}

	function onKey(e:KeyboardEvent) {
		var dir;
		switch (e.keyCode) {
			case 37 | 65: dir = LEFT_DIR; // left, A
			case 39 | 68: dir = RIGHT_DIR; // right, D
			case 38 | 87: dir = UP_DIR; // up, W
			case 40 | 83: dir = DOWN_DIR; // down, S
			case 32:
				if (state == OVER || state == WON) reset();
				return;
			default:
				return;
		}
		if (state == OVER)
			return;
		state = PLAYING; // an arrow key hides the start text and the 2048 text
		anim = SLIDE_FRAMES + POP_FRAMES; // finish the last animation at once
		var m = slide(cells, dir);
		if (!m.changed) {
			draw();
			return;
		}
		sliders = [];
		for (i in 0...N * N)
			if (cells[i] != 0)
				sliders.push({v: cells[i], from: i, to: m.dest[i]});
		merged = m.merged;
		cells = m.cells;
		score += m.gained;
		if (score > best) {
			best = score;
			saveBest();
		}
		newTile = addTile();
		anim = 0;
		if (!canMove(cells)) {
			state = OVER;
			showMessage("游戏结束  得分 " + score + "\n按空格键或点击画面再玩一次");
		} else if (!reached && maxTile(cells) >= WIN) {
			reached = true;
			state = WON;
			showMessage("合成 2048！\n继续游戏，或按空格键重新开始");
		}
		draw();
	}

	function onFrame(_) {
		if (anim < SLIDE_FRAMES + POP_FRAMES) {
			anim++;
			draw();
		}
	}

	// Board logic, free of Flash so it can be tested on its own.

	// Cell index of the i-th cell of line k when sliding towards dir
	// (i = 0 is the wall the tiles move to).
	static function lineIndex(dir:Int, k:Int, i:Int):Int {
		return switch (dir) {
			case LEFT_DIR: k * N + i;
			case RIGHT_DIR: k * N + (N - 1 - i);
			case UP_DIR: i * N + k;
			default: (N - 1 - i) * N + k;
		}
	}

	// Slides one line towards index 0; each tile merges at most once per move.
	static function slideLine(line:Array<Int>):Line {
		var out = [for (i in 0...line.length) 0];
		var dest = [for (i in 0...line.length) -1];
		var merged = [for (i in 0...line.length) false];
		var score = 0;
		var n = 0; // next free place in out
		var canMerge = false; // out[n - 1] is a tile that has not merged yet
		for (i in 0...line.length) {
			var v = line[i];
			if (v == 0)
				continue;
			if (canMerge && out[n - 1] == v) {
				out[n - 1] = v * 2;
				merged[n - 1] = true;
				score += v * 2;
				dest[i] = n - 1;
				canMerge = false;
			} else {
				out[n] = v;
				dest[i] = n;
				n++;
				canMerge = true;
			}
		}
		return {out: out, dest: dest, merged: merged, score: score};
	}

	static function slide(cells:Array<Int>, dir:Int):Move {
		var out = [for (i in 0...N * N) 0];
		var dest = [for (i in 0...N * N) -1];
		var merged = [for (i in 0...N * N) false];
		var gained = 0;
		for (k in 0...N) {
			var r = slideLine([for (i in 0...N) cells[lineIndex(dir, k, i)]]);
			for (i in 0...N) {
				var c = lineIndex(dir, k, i);
				out[c] = r.out[i];
				merged[c] = r.merged[i];
				if (r.dest[i] >= 0)
					dest[c] = lineIndex(dir, k, r.dest[i]);
			}
			gained += r.score;
		}
		var changed = false;
		for (i in 0...N * N)
			if (out[i] != cells[i])
				changed = true;
		return {cells: out, dest: dest, merged: merged, gained: gained, changed: changed};
	}

	static function canMove(cells:Array<Int>):Bool {
		for (i in 0...N * N) {
			if (cells[i] == 0)
				return true;
			if (i % N < N - 1 && cells[i] == cells[i + 1])
				return true;
			if (i < N * (N - 1) && cells[i] == cells[i + N])
				return true;
		}
		return false;
	}

	static function maxTile(cells:Array<Int>):Int {
		var m = 0;
		for (v in cells)
			if (v > m)
				m = v;
		return m;
	}

	// Drawing.

	static function tileColor(v:Int):Int {
		return switch (v) {
			case 2: 0xeee4da;
			case 4: 0xede0c8;
			case 8: 0xf2b179;
			case 16: 0xf59563;
			case 32: 0xf67c5f;
			case 64: 0xf65e3b;
			case 128: 0xedcf72;
			case 256: 0xedcc61;
			case 512: 0xedc850;
			case 1024: 0xedc53f;
			case 2048: 0xedc22e;
			default: 0x3c3a32;
		}
	}

	static function fontSize(v:Int):Int {
		return v < 100 ? 34 : v < 1000 ? 30 : v < 10000 ? 24 : 18;
	}

	static function cellX(i:Int):Float {
		return LEFT + GAP + (i % N) * (CELL + GAP) + CELL / 2;
	}

	static function cellY(i:Int):Float {
		return BOARD_Y + GAP + Std.int(i / N) * (CELL + GAP) + CELL / 2;
	}

	function draw() {
		scoreText.text = "2048    得分 " + score + "    最高 " + best;
		var g = board.graphics;
		g.clear();
		g.beginFill(0x776e65);
		g.drawRect(0, 0, W, TOP);
		g.endFill();
		g.beginFill(0xbbada0);
		g.drawRoundRect(LEFT, BOARD_Y, SIZE, SIZE, 12, 12);
		g.endFill();
		g.beginFill(0xcdc1b4);
		for (i in 0...N * N)
			g.drawRoundRect(cellX(i) - CELL / 2, cellY(i) - CELL / 2, CELL, CELL, 8, 8);
		g.endFill();
		usedLabels = 0;
		if (anim < SLIDE_FRAMES) {
			// The old tiles glide to where they land; the new tile waits.
			var p = (anim + 1) / SLIDE_FRAMES;
			p = 1 - (1 - p) * (1 - p);
			for (s in sliders)
				drawTile(g, s.v, cellX(s.from) + (cellX(s.to) - cellX(s.from)) * p,
					cellY(s.from) + (cellY(s.to) - cellY(s.from)) * p, 1);
		} else {
			// Merged tiles bump, the new tile grows.
			var p = anim < SLIDE_FRAMES + POP_FRAMES ? (anim - SLIDE_FRAMES + 1) / POP_FRAMES : 1.0;
			for (i in 0...N * N) {
				if (cells[i] == 0)
					continue;
				var scale = 1.0;
				if (p < 1 && i == newTile)
					scale = 0.3 + 0.7 * p;
				else if (p < 1 && merged[i])
					scale = 1 + 0.15 * Math.sin(Math.PI * p);
				drawTile(g, cells[i], cellX(i), cellY(i), scale);
			}
		}
		for (n in usedLabels...labels.length)
			labels[n].visible = false;
		var still = anim >= SLIDE_FRAMES + POP_FRAMES;
		cover.visible = messageText.visible = state != PLAYING && still;
	}

	function drawTile(g:Graphics, v:Int, cx:Float, cy:Float, scale:Float) {
		var s = CELL * scale;
		g.beginFill(tileColor(v));
		g.drawRoundRect(cx - s / 2, cy - s / 2, s, s, 8, 8);
		g.endFill();
		if (scale < 0.75)
			return; // too small for its number yet
		var t = labels[usedLabels];
		if (labelValues[usedLabels] != v) {
			labelValues[usedLabels] = v;
			var fmt = new TextFormat(GameFont.name(), fontSize(v), v <= 4 ? 0x776e65 : 0xf9f6f2, true);
			fmt.align = TextFormatAlign.CENTER;
			t.defaultTextFormat = fmt;
			t.text = Std.string(v);
		}
		usedLabels++;
		t.x = cx - CELL / 2;
		t.y = cy - t.textHeight / 2 - 2; // 2 px is the text field's inner margin
		t.visible = true;
	}
}
