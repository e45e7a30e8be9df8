// Breakout: move the paddle with the mouse or the arrow keys, launch the ball
// with a click or Space, clear every brick. Three lives.

import flash.Lib;
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
	static inline var TOP = 32; // score bar
	static inline var COLS = 8;
	static inline var ROWS = 5;
	static inline var BRICK_W = 56;
	static inline var BRICK_H = 16;
	static inline var GAP = 4;
	static inline var PADDLE_W = 80;
	static inline var PADDLE_H = 10;
	static inline var PADDLE_Y = 330;
	static inline var R = 6; // ball radius
	static var COLORS = [0xe74c3c, 0xe67e22, 0xf1c40f, 0x2ecc71, 0x3498db];

	var canvas:Shape;
	var scoreText:TextField;
	var messageText:TextField;

	var bricks:Array<Bool>; // alive flags, row by row
	var left = 0;
	var paddleX = (W - PADDLE_W) / 2;
	var ballX = 0.0;
	var ballY = 0.0;
	var vx = 0.0;
	var vy = 0.0;
	var speed = 5.0;
	var launched = false;
	var lives = 3;
	var score = 0;
	var over = false;
	var keyLeft = false;
	var keyRight = false;

	static function main() {
		Lib.current.addChild(new Main());
	}

	function new() {
		super();
		canvas = new Shape();
		addChild(canvas);
		scoreText = makeText(15, TextFormatAlign.LEFT);
		scoreText.x = 10;
		scoreText.y = 6;
		addChild(scoreText);
		messageText = makeText(20, TextFormatAlign.CENTER);
		messageText.y = 200;
		addChild(messageText);
		addEventListener(Event.ADDED_TO_STAGE, onAdded);
	}

	function onAdded(_) {
		stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) setKey(e.keyCode, true));
		stage.addEventListener(KeyboardEvent.KEY_UP, function(e:KeyboardEvent) setKey(e.keyCode, false));
		stage.addEventListener(MouseEvent.MOUSE_MOVE, function(_) paddleX = stage.mouseX - PADDLE_W / 2);
		stage.addEventListener(MouseEvent.MOUSE_DOWN, function(_) {
			stage.focus = stage; // make sure the keys reach us
			action();
		});
		addEventListener(Event.ENTER_FRAME, onFrame);
		newGame();
	}

	function makeText(size:Int, align:TextFormatAlign):TextField {
		var t = GameFont.field();
		var fmt = new TextFormat(GameFont.name(), size, 0xffffff, true);
		fmt.align = align;
		t.defaultTextFormat = fmt;
		t.selectable = false;
		t.mouseEnabled = false;
		t.multiline = true;
		t.width = W;
		t.height = size * 3;
		return t;
	}

	function setKey(code:Int, down:Bool) {
		if (code == 37) keyLeft = down;
		if (code == 39) keyRight = down;
		if (down && (code == 32 || code == 38)) action();
	}

	// Space, Up or a click: launch the ball, or start over after the end.
	function action() {
		if (over)
			newGame();
		else if (!launched) {
			launched = true;
			vx = speed * 0.6;
			vy = -speed * 0.8;
			messageText.text = "";
		}
	}

	function newGame() {
		bricks = [for (i in 0...COLS * ROWS) true];
		left = COLS * ROWS;
		lives = 3;
		score = 0;
		speed = 5.0;
		over = false;
		resetBall();
	}

	function resetBall() {
		launched = false;
		messageText.text = "打砖块\n点击画面或按空格键发球";
	}

	function brickX(col:Int):Float return GAP / 2 + col * (BRICK_W + GAP);

	function brickY(row:Int):Float return TOP + 30 + row * (BRICK_H + GAP);

	function onFrame(_) {
		if (keyLeft) paddleX -= 8;
		if (keyRight) paddleX += 8;
		paddleX = Math.max(0, Math.min(W - PADDLE_W, paddleX));
		if (!over) {
			if (!launched) {
				ballX = paddleX + PADDLE_W / 2;
				ballY = PADDLE_Y - R - 1;
			} else {
				// Two half steps keep the fast ball from skipping through bricks.
				for (i in 0...2) if (launched) moveBall(0.5);
			}
		}
		draw();
	}

	function moveBall(f:Float) {
		ballX += vx * f;
		ballY += vy * f;
		if (ballX < R) { ballX = R; vx = Math.abs(vx); }
		if (ballX > W - R) { ballX = W - R; vx = -Math.abs(vx); }
		if (ballY < TOP + R) { ballY = TOP + R; vy = Math.abs(vy); }
		if (vy > 0 && ballY + R >= PADDLE_Y && ballY - R <= PADDLE_Y + PADDLE_H
			&& ballX >= paddleX - R && ballX <= paddleX + PADDLE_W + R) {
			// Where it hits the paddle decides the angle.
			var hit = (ballX - (paddleX + PADDLE_W / 2)) / (PADDLE_W / 2);
			hit = Math.max(-0.9, Math.min(0.9, hit));
			vx = speed * hit;
			vy = -Math.sqrt(speed * speed - vx * vx);
			ballY = PADDLE_Y - R;
		}
		if (ballY > H + R) {
			lives--;
			if (lives <= 0) finish("游戏结束  得分 " + score);
			else resetBall();
			return;
		}
		hitBrick();
	}

	function hitBrick() {
		for (i in 0...bricks.length) {
			if (!bricks[i]) continue;
			var bx = brickX(i % COLS), by = brickY(Std.int(i / COLS));
			if (ballX + R < bx || ballX - R > bx + BRICK_W || ballY + R < by || ballY - R > by + BRICK_H)
				continue;
			bricks[i] = false;
			left--;
			score += (ROWS - Std.int(i / COLS)) * 10;
			// Bounce off the side that is hit least deep.
			var overlapX = Math.min(ballX + R - bx, bx + BRICK_W - (ballX - R));
			var overlapY = Math.min(ballY + R - by, by + BRICK_H - (ballY - R));
			if (overlapX < overlapY)
				vx = ballX < bx + BRICK_W / 2 ? -Math.abs(vx) : Math.abs(vx);
			else
				vy = ballY < by + BRICK_H / 2 ? -Math.abs(vy) : Math.abs(vy);
			speed = Math.min(9, speed + 0.1);
			if (left == 0) finish("全部击碎！得分 " + score);
			return;
		}
	}

	function finish(text:String) {
		over = true;
		launched = false;
		messageText.text = text + "\n点击画面或按空格键再玩一次";
	}

	function draw() {
		scoreText.text = "打砖块    得分 " + score + "    生命 " + lives;
		var g = canvas.graphics;
		g.clear();
		g.beginFill(0x1b2631);
		g.drawRect(0, 0, W, H);
		g.endFill();
		g.beginFill(0x34495e);
		g.drawRect(0, 0, W, TOP);
		g.endFill();
		for (i in 0...bricks.length) {
			if (!bricks[i]) continue;
			g.beginFill(COLORS[Std.int(i / COLS)]);
			g.drawRect(brickX(i % COLS), brickY(Std.int(i / COLS)), BRICK_W, BRICK_H);
			g.endFill();
		}
		g.beginFill(0xecf0f1);
		g.drawRoundRect(paddleX, PADDLE_Y, PADDLE_W, PADDLE_H, 8, 8);
		g.endFill();
		if (!over) {
			g.beginFill(0xffffff);
			g.drawCircle(ballX, ballY, R);
			g.endFill();
		}
	}
}
