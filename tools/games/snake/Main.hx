// Snake: steer with the arrow keys (or WASD), eat the red food, do not bite
// yourself or the walls. Space or a click starts a new round.

import flash.Lib;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.text.TextField;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;

typedef Cell = {x:Int, y:Int};

class Main extends Sprite {
	static inline var CELL = 20;
	static inline var COLS = 24;
	static inline var ROWS = 16;
	static inline var TOP = 40; // height of the score bar
	static inline var START_STEP = 6; // frames between moves at the start

	static inline var READY = 0;
	static inline var PLAYING = 1;
	static inline var OVER = 2;

	var board:Shape;
	var scoreText:TextField;
	var messageText:TextField;

	var snake:Array<Cell>; // head first
	var dx:Int;
	var dy:Int;
	var turns:Array<Cell>; // queued direction changes
	var food:Cell;
	var score = 0;
	var best = 0;
	var state = READY;
	var frame = 0;
	var step = START_STEP;

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		board = new Shape();
		addChild(board);
		scoreText = makeText(16, 0xffffff, TextFormatAlign.LEFT);
		scoreText.x = 10;
		scoreText.y = 9;
		addChild(scoreText);
		messageText = makeText(20, 0xffffff, TextFormatAlign.CENTER);
		messageText.y = TOP + 120;
		addChild(messageText);
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
		t.width = COLS * CELL;
		t.height = size * 3;
		t.multiline = true;
		return t;
	}

	function reset() {
		snake = [{x: 8, y: 8}, {x: 7, y: 8}, {x: 6, y: 8}];
		dx = 1;
		dy = 0;
		turns = [];
		score = 0;
		step = START_STEP;
		placeFood();
		state = READY;
		showMessage("贪吃蛇\n按方向键开始");
		draw();
	}

	function showMessage(s:String) {
		messageText.text = s;
		messageText.visible = s != "";
	}

	function placeFood() {
		var free = [];
		for (y in 0...ROWS)
			for (x in 0...COLS)
				if (!occupied(x, y))
					free.push({x: x, y: y});
		food = free[Std.random(free.length)];
	}

	function occupied(x:Int, y:Int):Bool {
		for (c in snake)
			if (c.x == x && c.y == y)
				return true;
		return false;
	}

	function onClick(_) {
		stage.focus = stage; // make sure the keys reach us
		if (state == OVER)
			reset();
	}

	function onKey(e:KeyboardEvent) {
		var nx = 0, ny = 0;
		switch (e.keyCode) {
			case 37 | 65: nx = -1; // left, A
			case 39 | 68: nx = 1; // right, D
			case 38 | 87: ny = -1; // up, W
			case 40 | 83: ny = 1; // down, S
			case 32:
				if (state == OVER) reset();
				return;
			default:
				return;
		}
		if (state == OVER)
			return;
		// Compare with the last queued direction so quick double turns work.
		var lx = dx, ly = dy;
		if (turns.length > 0) {
			lx = turns[turns.length - 1].x;
			ly = turns[turns.length - 1].y;
		}
		if ((nx != 0 && nx == -lx) || (ny != 0 && ny == -ly) || (nx == lx && ny == ly))
			return; // no reversing into yourself, no repeats
		if (turns.length < 3)
			turns.push({x: nx, y: ny});
		if (state == READY) {
			state = PLAYING;
			showMessage("");
		}
	}

	function onFrame(_) {
		if (state != PLAYING)
			return;
		frame++;
		if (frame % step != 0)
			return;
		if (turns.length > 0) {
			var t = turns.shift();
			dx = t.x;
			dy = t.y;
		}
		var head = {x: snake[0].x + dx, y: snake[0].y + dy};
		var eating = head.x == food.x && head.y == food.y;
		var tail = eating ? null : snake.pop(); // the tail moves away before the head arrives
		if (head.x < 0 || head.y < 0 || head.x >= COLS || head.y >= ROWS || occupied(head.x, head.y)) {
			if (tail != null)
				snake.push(tail); // show the snake as it was when it crashed
			gameOver();
			return;
		}
		snake.unshift(head);
		if (eating) {
			score += 10;
			if (score % 50 == 0 && step > 2)
				step--;
			if (snake.length == COLS * ROWS) {
				gameOver();
				return;
			}
			placeFood();
		}
		draw();
	}

	function gameOver() {
		state = OVER;
		if (score > best)
			best = score;
		showMessage("游戏结束  得分 " + score + "\n按空格键或点击画面再玩一次");
		draw();
	}

	function draw() {
		scoreText.text = "贪吃蛇    得分 " + score + "    最高 " + best;
		var g = board.graphics;
		g.clear();
		g.beginFill(0x2d3436);
		g.drawRect(0, 0, COLS * CELL, TOP);
		g.endFill();
		g.beginFill(0x1e8449);
		g.drawRect(0, TOP, COLS * CELL, ROWS * CELL);
		g.endFill();
		g.beginFill(0x229954);
		for (y in 0...ROWS)
			for (x in 0...COLS)
				if ((x + y) % 2 == 0)
					g.drawRect(x * CELL, TOP + y * CELL, CELL, CELL);
		g.endFill();
		g.beginFill(0xe74c3c);
		g.drawCircle(food.x * CELL + CELL / 2, TOP + food.y * CELL + CELL / 2, CELL / 2 - 2);
		g.endFill();
		for (i in 0...snake.length) {
			var c = snake[i];
			g.beginFill(i == 0 ? 0xf4d03f : 0xf7dc6f);
			g.drawRoundRect(c.x * CELL + 1, TOP + c.y * CELL + 1, CELL - 2, CELL - 2, 8, 8);
			g.endFill();
		}
		if (state != PLAYING) {
			g.beginFill(0x000000, 0.45);
			g.drawRect(0, TOP, COLS * CELL, ROWS * CELL);
			g.endFill();
		}
	}
}
