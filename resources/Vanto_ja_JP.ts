<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Body</name>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source>Loading first Data Set</source>
        <translation>最初のデータセットを読み込み中</translation>
    </message>
    <message>
        <source>Loading next Data Set</source>
        <translation>次のデータセットを読み込み中</translation>
    </message>
    <message>
        <source>Vanto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>I0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BG</source>
        <translation>BG</translation>
    </message>
    <message>
        <source>CT1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CT2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calc CT</source>
        <translation>CT計算</translation>
    </message>
    <message>
        <source>Show Res.</source>
        <translation>結果表示</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進捗</translation>
    </message>
    <message>
        <source>background-color: rgb(255, 255, 232);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Spent [sec]</source>
        <translation>所要時間 [秒]</translation>
    </message>
    <message>
        <source>Fix Color Scale</source>
        <translation>カラースケール固定</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Setup</source>
        <translation>設定保存</translation>
    </message>
    <message>
        <source>Load Setup</source>
        <translation>設定読込</translation>
    </message>
    <message>
        <source>Auto Save Image</source>
        <translation>画像自動保存</translation>
    </message>
    <message>
        <source>Auto Save Data</source>
        <translation>データ自動保存</translation>
    </message>
    <message>
        <source>Format of the saved data: dat (text data file) or tif (32-bit float TIFF)</source>
        <translation>保存データの形式: dat (テキストのデータファイル) または tif (32 ビット浮動小数点 TIFF)</translation>
    </message>
    <message>
        <source>Save in Sub Folders</source>
        <translation>サブフォルダに保存</translation>
    </message>
    <message>
        <source>of Energy</source>
        <translation>エネルギー別</translation>
    </message>
    <message>
        <source>of Slice</source>
        <translation>スライス別</translation>
    </message>
    <message>
        <source>Upper Limit</source>
        <translation>上限</translation>
    </message>
    <message>
        <source>10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lower Limit</source>
        <translation>下限</translation>
    </message>
    <message>
        <source>-10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>オフセット</translation>
    </message>
    <message>
        <source>Link Quillmap</source>
        <translation>Quillmap接続</translation>
    </message>
    <message>
        <source> Busy </source>
        <translation> 処理中 </translation>
    </message>
    <message>
        <source>Send Msg.</source>
        <translation>送信</translation>
    </message>
    <message>
        <source>w. 2DA</source>
        <translation>2DA併用</translation>
    </message>
    <message>
        <source>Exec 2DA</source>
        <translation>2DA実行</translation>
    </message>
    <message>
        <source>Cont. 2DA</source>
        <translation>2DA継続</translation>
    </message>
    <message>
        <source>Show CT-XAFS Setup</source>
        <translation>CT-XAFS設定表示</translation>
    </message>
    <message>
        <source>Seq. Calc</source>
        <translation>連続計算</translation>
    </message>
    <message>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Keep Range</source>
        <translation>範囲保持</translation>
    </message>
    <message>
        <source>Stage</source>
        <translation>段階</translation>
    </message>
    <message>
        <source>dT [s]</source>
        <translation>dT [s]</translation>
    </message>
    <message>
        <source>Total [s]</source>
        <translation>合計 [s]</translation>
    </message>
    <message>
        <source>Show I0 Setup</source>
        <translation>I0設定表示</translation>
    </message>
    <message>
        <source>Energy of Raw Images</source>
        <translation>生画像のエネルギー</translation>
    </message>
    <message>
        <source>Energy of I0 Image</source>
        <translation>I0画像のエネルギー</translation>
    </message>
    <message>
        <source>Raw Image</source>
        <translation>生画像</translation>
    </message>
    <message>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <source>CT Reconstructed Image</source>
        <translation>CT再構成画像</translation>
    </message>
    <message>
        <source>I0 Image</source>
        <translation>I0画像</translation>
    </message>
    <message>
        <source>BG Image</source>
        <translation>BG画像</translation>
    </message>
    <message>
        <source>CT Images</source>
        <translation>CT画像一覧</translation>
    </message>
    <message>
        <source>3D View</source>
        <translation>3D表示</translation>
    </message>
    <message>
        <source>Sel. I0 File Set</source>
        <translation>I0ファイル群選択</translation>
    </message>
    <message>
        <source>I0 of Raw Image</source>
        <translation>生画像のI0</translation>
    </message>
    <message>
        <source>I0 of I0 Image</source>
        <translation>I0画像のI0</translation>
    </message>
</context>
<context>
    <name>ColorBar</name>
    <message>
        <source>Color Bar</source>
        <translation>カラーバー</translation>
    </message>
    <message>
        <source>Fix</source>
        <translation>固定</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>最小</translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Max</source>
        <translation>最大</translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CtCalc</name>
    <message>
        <source>CT Calc</source>
        <translation>CT計算</translation>
    </message>
    <message>
        <source>Disp R.</source>
        <translation>表示範囲</translation>
    </message>
    <message>
        <source>-</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set To C. Region</source>
        <translation>計算範囲に設定</translation>
    </message>
    <message>
        <source>Cacl R.</source>
        <translation>計算範囲</translation>
    </message>
    <message>
        <source>Calc</source>
        <translation>計算</translation>
    </message>
    <message>
        <source>At Once</source>
        <translation>一括</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Spent [sec]</source>
        <translation>所要時間 [秒]</translation>
    </message>
    <message>
        <source>Slice No.</source>
        <translation>スライス番号</translation>
    </message>
</context>
<context>
    <name>CtDisp</name>
    <message>
        <source>CT display</source>
        <translation>CT表示</translation>
    </message>
</context>
<context>
    <name>CtView</name>
    <message>
        <source>3D View</source>
        <translation type="unfinished">3D表示</translation>
    </message>
    <message>
        <source>Link C. Section</source>
        <translation>断面連動</translation>
    </message>
    <message>
        <source>Add Slice Set</source>
        <translation>スライスセット追加</translation>
    </message>
    <message>
        <source>Img Size in Pix</source>
        <translation>画像サイズ[pix]</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;The size of screen. Firstly, they should be so small as 256 to work quickly. When the settings, like obserbing direction, position of closs-section, and color range, are decided, it should be set larger as 1024 or so to get high resolution results.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>256</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>画像保存</translation>
    </message>
    <message>
        <source>Supported File Types are : %1
 and also SVG.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any (* *.*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>I0ofImage</name>
    <message>
        <source>I0 of Image</source>
        <translation>画像のI0</translation>
    </message>
    <message>
        <source>Calc from XAFS file</source>
        <translation>XAFSファイルから計算</translation>
    </message>
    <message>
        <source>Eng. Ptn in Img F. Name :</source>
        <translation>画像ファイル名のエネルギー形式 :</translation>
    </message>
</context>
<context>
    <name>ImgDispWPV</name>
    <message>
        <source>Image Display with Position and Value</source>
        <translation>位置と値付き画像表示</translation>
    </message>
    <message>
        <source>X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Val:</source>
        <translation>値:</translation>
    </message>
    <message>
        <source>Scale Reset</source>
        <translation>スケール初期化</translation>
    </message>
</context>
<context>
    <name>LogStatus</name>
    <message>
        <source>Log</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source>1 unread warning</source>
        <translation>未読の警告 1 件</translation>
    </message>
    <message>
        <source>%1 unread warnings</source>
        <translation>未読の警告 %1 件</translation>
    </message>
</context>
<context>
    <name>LogView</name>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
</context>
<context>
    <name>PopDockBase</name>
    <message>
        <source>Frame</source>
        <translation>フレーム</translation>
    </message>
    <message>
        <source>Pop/Dock</source>
        <translation>分離/結合</translation>
    </message>
</context>
<context>
    <name>ProcCtrl</name>
    <message>
        <source>Proc Control</source>
        <translation>処理設定</translation>
    </message>
    <message>
        <source>CT Proc. Ctrl : </source>
        <translation>CT処理設定 : </translation>
    </message>
    <message>
        <source>Threads</source>
        <translation>スレッド数</translation>
    </message>
    <message>
        <source>/32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slice : </source>
        <translation>スライス : </translation>
    </message>
    <message>
        <source>Current</source>
        <translation>現在</translation>
    </message>
    <message>
        <source>1000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Exec</source>
        <translation>自動実行</translation>
    </message>
    <message>
        <source>From</source>
        <translation>開始</translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>2047</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step</source>
        <translation>ステップ</translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotation : </source>
        <translation>回転軸 : </translation>
    </message>
    <message>
        <source>Center</source>
        <translation>中心</translation>
    </message>
    <message>
        <source>  Ax</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>H</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record. COR</source>
        <translation>記録済み中心</translation>
    </message>
    <message>
        <source>background-color: rgb(255, 255, 232);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <translation>記録</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Angle Orig : </source>
        <translation>角度原点 : </translation>
    </message>
    <message>
        <source>[deg]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Range</source>
        <translation>範囲</translation>
    </message>
    <message>
        <source>180</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Set :  </source>
        <translation>データセット :  </translation>
    </message>
    <message>
        <source>/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imgs</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>Partial</source>
        <translation>部分</translation>
    </message>
    <message>
        <source>Using Images[#]</source>
        <translation>使用画像数[#]</translation>
    </message>
    <message>
        <source>[#]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start [#]</source>
        <translation>開始 [#]</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>オプション</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>フィルター</translation>
    </message>
    <message>
        <source>Ramp</source>
        <translation>ランプ</translation>
    </message>
    <message>
        <source>Shepp-Logan</source>
        <translation>シェップ・ローガン</translation>
    </message>
    <message>
        <source>Cosine</source>
        <translation>コサイン</translation>
    </message>
    <message>
        <source>Hamming</source>
        <translation>ハミング</translation>
    </message>
    <message>
        <source>Hann</source>
        <translation>ハン</translation>
    </message>
    <message>
        <source>Padding</source>
        <translation>ゼロ詰め</translation>
    </message>
    <message>
        <source>Ring removal</source>
        <translation>リング除去</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Outlier removal</source>
        <translation>外れ値除去</translation>
    </message>
    <message>
        <source>(0: off)</source>
        <translation>(0: なし)</translation>
    </message>
    <message>
        <source>CoR sweep ±</source>
        <translation>回転中心スイープ ±</translation>
    </message>
</context>
<context>
    <name>SeekCtrl</name>
    <message>
        <source>Seek</source>
        <translation>移動</translation>
    </message>
    <message>
        <source>&lt;&lt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SelectAFile</name>
    <message>
        <source>Select a file</source>
        <translation>ファイル選択</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>フォルダ</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message>
        <source>Tag</source>
        <translation>タグ</translation>
    </message>
    <message>
        <source>Folder for the results</source>
        <translation>結果の保存先フォルダ</translation>
    </message>
</context>
<context>
    <name>SelectAImgFile</name>
    <message>
        <source>Exp Time</source>
        <translation>露光時間</translation>
    </message>
    <message>
        <source>Show Img</source>
        <translation>画像表示</translation>
    </message>
</context>
<context>
    <name>SelectDataDir</name>
    <message>
        <source>Select Data Dir</source>
        <translation>データフォルダ選択</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>設定</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>次へ</translation>
    </message>
    <message>
        <source>Pattern</source>
        <translation>パターン</translation>
    </message>
    <message>
        <source>Heron Std.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Eng. Dirs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kestrel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sel. Meta File</source>
        <translation>メタファイル選択</translation>
    </message>
    <message>
        <source>Sel. Data Dir.</source>
        <translation>データフォルダ選択</translation>
    </message>
    <message>
        <source>Meta File (* *.*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SelectDataFiles</name>
    <message>
        <source>Select Data Files</source>
        <translation>データファイル選択</translation>
    </message>
    <message>
        <source>Data Select</source>
        <translation>データ選択</translation>
    </message>
    <message>
        <source>New</source>
        <translation>新規</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>keep Conds.</source>
        <translation>条件保持</translation>
    </message>
    <message>
        <source>Multi.</source>
        <translation>複数回</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;When Checked : The first file in the list will be read multitimes ( ex. 180 times )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>180</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>background-color: rgb(235, 235, 235);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ext.</source>
        <translation>拡張子</translation>
    </message>
    <message>
        <source>img</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exp. Time[s]</source>
        <translation>露光時間[s]</translation>
    </message>
    <message>
        <source>1.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
</context>
<context>
    <name>SelectDir</name>
    <message>
        <source>Sel. Dir</source>
        <translation>フォルダ選択</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>選択</translation>
    </message>
</context>
<context>
    <name>Sinogram</name>
    <message>
        <source>Sinogram</source>
        <translation>サイノグラム</translation>
    </message>
    <message>
        <source>CoR</source>
        <translation>回転中心</translation>
    </message>
    <message>
        <source>1000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alter. Stack</source>
        <translation>交互積み</translation>
    </message>
    <message>
        <source>0.35</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Guess CoR</source>
        <translation>回転中心推定</translation>
    </message>
    <message>
        <source>Y Offset</source>
        <translation>Yオフセット</translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Y w. Mouse</source>
        <translation>マウスでY移動</translation>
    </message>
    <message>
        <source>CoR Sweep</source>
        <translation>回転中心スイープ</translation>
    </message>
</context>
<context>
    <name>SlicesCtrl</name>
    <message>
        <source>Slice Set</source>
        <translation>スライスセット</translation>
    </message>
    <message>
        <source>Show Setup %1</source>
        <translation>設定表示 %1</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Select</source>
        <translation type="unfinished">選択</translation>
    </message>
    <message>
        <source>0.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>background-color: rgb(255, 255, 255);</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>max</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Frame</source>
        <translation>枠表示</translation>
    </message>
    <message>
        <source>Show Volume</source>
        <translation>ボリューム表示</translation>
    </message>
    <message>
        <source>Show C. Section</source>
        <translation>断面表示</translation>
    </message>
    <message>
        <source>Cross Section</source>
        <translation>断面</translation>
    </message>
    <message>
        <source>Fix Dir.</source>
        <translation>方向固定</translation>
    </message>
    <message>
        <source>Color Scale: </source>
        <translation>カラースケール: </translation>
    </message>
    <message>
        <source>V Color</source>
        <translation>体積色</translation>
    </message>
    <message>
        <source>S Color</source>
        <translation>断面色</translation>
    </message>
    <message>
        <source>a</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Opacity of the object. &lt;/p&gt;&lt;p&gt;255 : no transpparency (anything behind is invisible )&lt;/p&gt;&lt;p&gt;0 : perfectry transparent ( the object itself is invisible )&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>255</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Data Files</source>
        <translation type="unfinished">データファイル選択</translation>
    </message>
    <message>
        <source>Data Files (*.dat *.tif *.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Any Files (* *.*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Volume Color</source>
        <translation>体積の色を選択</translation>
    </message>
    <message>
        <source>Select Section Color</source>
        <translation>断面の色を選択</translation>
    </message>
</context>
<context>
    <name>XafsBatch</name>
    <message>
        <source>Data Loading</source>
        <translation>データ読み込み</translation>
    </message>
    <message>
        <source>Calculating</source>
        <translation>計算中</translation>
    </message>
    <message>
        <source>Finished Calc.</source>
        <translation>計算終了</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Skipped empty Data Set</source>
        <translation>空のデータセットをスキップ</translation>
    </message>
</context>
</TS>
